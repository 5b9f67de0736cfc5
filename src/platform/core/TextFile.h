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

enum class TSaveResult { Ok, CannotCreate, WriteFailed, NotRegular };

// Saves `data` as the file `path` so that a crash never leaves a torn file
// without a whole copy of its old content. A symbolic link is followed to its
// target. Normally a temporary file in the same folder is flushed to disk and
// renamed over the target, with the target's owner, group, mode and extended
// attributes. A file with several hard links, one whose owner or group this
// user cannot give the new file, or one in a folder that takes no new file
// is written in place instead, after a synced copy of its old content (beside
// it, or in the user's state folder when its folder takes no file); the copy
// goes once the new content is on disk. Anything but a regular file is never
// replaced (NotRegular). On failure the file is left as it was, or, when an
// in-place write failed and the old content could not be put back, the copy
// stays and its name is given in `keptCopy`.
TSaveResult SaveBytes(const QString &path, const char *data, std::size_t length, QString *keptCopy = nullptr);

// The German message for a failed save of `path`.
QString SaveErrorMessage(TSaveResult result, const QString &path, const QString &keptCopy);

// True when `path` names something that exists but is not a regular file
// that could be read (a folder, a device, a socket, a FIFO ...).
bool IsUnreadableEntry(const QString &path);

// Opens a regular file for reading without ever blocking on the opening (a
// FIFO put in its place) and checks on the open file that it is a regular
// one; a read with nothing ready (a kernel file that waits for data) fails
// instead of waiting. -1 when it is none or cannot be opened.
int OpenRegularForReading(const QString &path);

} // namespace textfile
