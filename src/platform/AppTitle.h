#pragma once
#include <QString>

// The application title: "Quillon 32", or while a file is current its full
// name, " : " and "Quillon 32". Message boxes carry it as their caption.
namespace apptitle {
QString Title();
void SetTitle(const QString &title);
// `text` for QWidget::setWindowTitle, which would drop a "[*]" in a file
// name as its modified-mark placeholder.
QString WindowCaption(const QString &text);
} // namespace apptitle
