#include "platform/AppTitle.h"

namespace apptitle {
namespace {
QString &Storage()
{
    static QString title = QStringLiteral("Quillon 32");
    return title;
}
} // namespace

QString Title()
{
    return Storage();
}

void SetTitle(const QString &title)
{
    Storage() = title;
}

QString WindowCaption(const QString &text)
{
    QString caption = text;
    return caption.replace(QLatin1String("[*]"), QLatin1String("[*][*]"));
}

} // namespace apptitle
