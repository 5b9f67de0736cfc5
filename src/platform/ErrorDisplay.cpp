#include "platform/ErrorDisplay.h"

#include "editor/core/EditorError.h"
#include "platform/AppTitle.h"

#include <QApplication>
#include <QMessageBox>

namespace errordisplay {

namespace {
std::function<void(const QString &)> &Handler()
{
    static std::function<void(const QString &)> handler;
    return handler;
}
} // namespace

void SetHandler(std::function<void(const QString &)> handler)
{
    Handler() = std::move(handler);
}

void Show(const QString &message)
{
    if (Handler()) {
        Handler()(message);
        return;
    }
    QMessageBox box(QMessageBox::Critical, apptitle::Title(), message, QMessageBox::Ok,
                    QApplication::activeWindow());
    // Messages carry file names, which may look like markup.
    box.setTextFormat(Qt::PlainText);
    box.setWindowTitle(apptitle::WindowCaption(apptitle::Title()));
    box.exec();
}

void RunGuarded(const std::function<void()> &command)
{
    try {
        command();
    } catch (const TEditorError &error) {
        Show(error.Message());
    } catch (const TAbort &) {
    }
}

} // namespace errordisplay
