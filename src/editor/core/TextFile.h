#pragma once
// Reading and writing a file's bytes without a window: the dominant line
// ending of a text and a save that never leaves a torn file behind.
#include <QString>
#include <cstddef>
#include <cstdint>

namespace textfile {

enum class TEol { Crlf, Lf, Cr };

// Counts line endings over a text given in pieces; a CR at the end of one
// piece followed by LF at the start of the next is one CR LF.
class TEolCounter
{
public:
    void Feed(const char *data, std::size_t length);
    // The most frequent ending; CR LF on a tie or when there is none.
    TEol Dominant() const;
    // Bytes of the longest line, its line ending not counted.
    std::uint64_t Longest() const { return m_longest > m_open ? m_longest : m_open; }

private:
    std::uint64_t Cr() const { return m_cr + (m_pendingCr ? 1 : 0); }
    std::uint64_t m_crlf = 0, m_lf = 0, m_cr = 0;
    std::uint64_t m_longest = 0, m_open = 0;
    bool m_pendingCr = false;
};

TEol DominantEol(const char *data, std::size_t length);

enum class TSaveResult { Ok, CannotCreate, WriteFailed };

// Writes to a temporary file in the same folder, flushes it to disk and
// renames it over `path` (a symbolic link is followed to its target, the
// target's permissions are kept). On failure `path` is left as it was.
TSaveResult SaveBytes(const QString &path, const char *data, std::size_t length);

// True when `path` names something that exists but is not a regular file
// that could be read (a folder, a device, a socket, a FIFO ...).
bool IsUnreadableEntry(const QString &path);

} // namespace textfile
