#include "editor/core/TextFile.h"

#include <QFileInfo>
#include <QSaveFile>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace textfile {

void TEolCounter::Feed(const char *data, std::size_t length)
{
    const char *p = data;
    const char *end = data + length;
    const char *lineStart = data;
    const auto endLine = [&](const char *at) {
        m_longest = std::max<std::uint64_t>(m_longest, m_open + static_cast<std::uint64_t>(at - lineStart));
        m_open = 0;
        lineStart = at + 1;
    };
    if (m_pendingCr && p < end) {
        m_pendingCr = false;
        if (*p == '\n') {
            ++m_crlf;
            lineStart = ++p;
        } else {
            ++m_cr;
        }
    }
    while (p < end) {
        // memchr twice is far faster than a byte loop on large files
        const void *lf = std::memchr(p, '\n', static_cast<std::size_t>(end - p));
        const char *stop = lf ? static_cast<const char *>(lf) : end;
        for (const char *cr = p; cr < stop;) {
            const void *found = std::memchr(cr, '\r', static_cast<std::size_t>(stop - cr));
            if (!found)
                break;
            const char *c = static_cast<const char *>(found);
            endLine(c);
            if (c + 1 == stop && lf) {
                ++m_crlf;
            } else if (c + 1 == end) {
                m_pendingCr = true;
            } else {
                ++m_cr;
            }
            cr = c + 1;
        }
        if (!lf)
            break;
        endLine(stop);
        if (!(stop > p && stop[-1] == '\r'))
            ++m_lf;
        p = stop + 1;
    }
    m_open += static_cast<std::uint64_t>(end - lineStart);
}

TEol TEolCounter::Dominant() const
{
    const std::uint64_t crlf = m_crlf, lf = m_lf, cr = Cr();
    if (lf > crlf && lf >= cr)
        return TEol::Lf;
    if (cr > crlf && cr > lf)
        return TEol::Cr;
    return TEol::Crlf;
}

TEol DominantEol(const char *data, std::size_t length)
{
    TEolCounter counter;
    counter.Feed(data, length);
    return counter.Dominant();
}

TSaveResult SaveBytes(const QString &path, const char *data, std::size_t length)
{
    // QSaveFile writes beside the target, fsyncs and renames; it follows a
    // symbolic link and carries the old file's permissions over.
    QSaveFile file(path);
    file.setDirectWriteFallback(false);
    if (!file.open(QIODevice::WriteOnly))
        return TSaveResult::CannotCreate;
    std::size_t done = 0;
    while (done < length) {
        const qint64 chunk = static_cast<qint64>(std::min<std::size_t>(length - done, 64u << 20));
        const qint64 written = file.write(data + done, chunk);
        if (written <= 0) {
            file.cancelWriting();
            return TSaveResult::WriteFailed;
        }
        done += static_cast<std::size_t>(written);
    }
    // QSaveFile syncs before the rename but ignores a failing sync, and
    // then would put a file whose bytes may never reach the disk in place of
    // the old one. Sync here and keep the old file when that fails; a file
    // system that cannot sync at all (EINVAL) is no error.
    if (!file.flush() || (::fsync(file.handle()) != 0 && errno != EINVAL && errno != ENOTSUP)) {
        file.cancelWriting();
        return TSaveResult::WriteFailed;
    }
    if (!file.commit())
        return TSaveResult::WriteFailed;
    return TSaveResult::Ok;
}

bool IsUnreadableEntry(const QString &path)
{
    const QFileInfo info(path);
    return info.exists() && !info.isFile();
}

} // namespace textfile
