#pragma once
// File times in the packed DOS date-time layout, one 32-bit integer:
// bits 31-25 year - 1980, 24-21 month, 20-16 day, 15-11 hour, 10-5 minute,
// 4-0 seconds / 2.
#include <QDateTime>
#include <QLocale>
#include <QString>
#include <QtGlobal>

enum TTimeStampDisplayType { dtString = 0, dtNumber = 1 };

namespace stamptime {

// -1 when the time is invalid or lies outside 1980..2107, which the layout
// cannot hold. Odd seconds are rounded down.
qint32 PackDosDateTime(const QDateTime &localTime);

// Invalid when the number names no real date and time (-1 included).
QDateTime UnpackDosDateTime(qint32 packed);

// The file's last-write time in local time, packed; -1 when the file cannot
// be found or is a directory.
qint32 FilePackedTime(const QString &fileName);

// The label's text for a packed time: the signed number, or the locale's
// short date, a blank and its long time (the time left out at exactly
// midnight). A number that names no date and time gives an empty date text.
QString StampText(qint32 packed, TTimeStampDisplayType display, const QLocale &locale);

// What a label in a form designer shows: "12/31/99 12:59:58 PM" and
// "664758141", the same instant in both forms.
QString DesignSampleText(TTimeStampDisplayType display);

} // namespace stamptime
