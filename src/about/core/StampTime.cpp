#include "about/core/StampTime.h"

#include <QFileInfo>

namespace stamptime {

qint32 PackDosDateTime(const QDateTime &localTime)
{
    if (!localTime.isValid())
        return -1;
    const QDate date = localTime.date();
    const QTime time = localTime.time();
    if (date.year() < 1980 || date.year() > 2107)
        return -1;
    const quint32 packed = quint32(date.year() - 1980) << 25 | quint32(date.month()) << 21 | quint32(date.day()) << 16
                           | quint32(time.hour()) << 11 | quint32(time.minute()) << 5 | quint32(time.second() / 2);
    return qint32(packed);
}

QDateTime UnpackDosDateTime(qint32 packed)
{
    const quint32 bits = quint32(packed);
    const int year = int(bits >> 25) + 1980;
    const int month = int(bits >> 21 & 0x0F);
    const int day = int(bits >> 16 & 0x1F);
    const int hour = int(bits >> 11 & 0x1F);
    const int minute = int(bits >> 5 & 0x3F);
    const int second = int(bits & 0x1F) * 2;
    // QDate and QTime reject month 13, 30 February, hour 24, second 60 ...
    const QDate date(year, month, day);
    const QTime time(hour, minute, second);
    if (!date.isValid() || !time.isValid())
        return QDateTime();
    return QDateTime(date, time, Qt::LocalTime);
}

qint32 FilePackedTime(const QString &fileName)
{
    if (fileName.isEmpty())
        return -1;
    const QFileInfo info(fileName);
    if (!info.exists() || info.isDir())
        return -1;
    return PackDosDateTime(info.lastModified().toLocalTime());
}

QString StampText(qint32 packed, TTimeStampDisplayType display, const QLocale &locale)
{
    if (display == dtNumber)
        return QString::number(packed);
    const QDateTime when = UnpackDosDateTime(packed);
    if (!when.isValid())
        return QString();
    QString text = locale.toString(when.date(), QLocale::ShortFormat);
    if (when.time() != QTime(0, 0))
        text += QLatin1Char(' ') + locale.toString(when.time(), QLocale::LongFormat);
    return text;
}

QString DesignSampleText(TTimeStampDisplayType display)
{
    return display == dtNumber ? QStringLiteral("664758141") : QStringLiteral("12/31/99 12:59:58 PM");
}

} // namespace stamptime
