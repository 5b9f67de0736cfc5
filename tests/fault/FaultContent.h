#pragma once
// The contents the fault tests save: an old file and the new text that
// replaces it, different in every line, so that any mix of the two shows.
#include <QByteArray>
#include <cstring>

namespace faultcontent {

// Lines "<word>000000042 äöüß\r\n" (umlauts in Windows-1252), cut to `size`.
inline QByteArray Lines(const char *word, qint64 size)
{
    QByteArray line = QByteArray(word) + "000000000 \xE4\xF6\xFC\xDF\r\n";
    const qsizetype digitsEnd = qsizetype(std::strlen(word)) + 9;
    QByteArray out(size, Qt::Uninitialized);
    for (qint64 at = 0; at < size; at += line.size()) {
        std::memcpy(out.data() + at, line.constData(), size_t(std::min<qint64>(line.size(), size - at)));
        // Count the line number up in place.
        for (qsizetype d = digitsEnd - 1; d >= digitsEnd - 9; --d) {
            if (line[d] != '9') {
                ++line[d];
                break;
            }
            line[d] = '0';
        }
    }
    return out;
}

inline QByteArray OldContent(qint64 size)
{
    return Lines("alt ", size);
}
inline QByteArray NewContent(qint64 size)
{
    return Lines("NEU ", size);
}

} // namespace faultcontent
