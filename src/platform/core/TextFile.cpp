#include "platform/core/TextFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>
#include <vector>

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

namespace {

// Closes the descriptor when the save ends, whichever way.
class TFd
{
public:
    explicit TFd(int fd = -1) : m_fd(fd) { }
    ~TFd()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    TFd(const TFd &) = delete;
    TFd &operator=(const TFd &) = delete;
    int Get() const { return m_fd; }

private:
    int m_fd;
};

// A file system that cannot sync at all (EINVAL) is no error.
bool Sync(int fd)
{
    return ::fsync(fd) == 0 || errno == EINVAL || errno == ENOTSUP;
}

void SyncFolder(const QByteArray &folder)
{
    const TFd dir(::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.Get() >= 0)
        ::fsync(dir.Get());
}

bool WriteAt(int fd, const char *data, std::size_t length, off_t at)
{
    while (length > 0) {
        const ssize_t n = ::pwrite(fd, data, std::min<std::size_t>(length, 64u << 20), at);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        data += n;
        length -= std::size_t(n);
        at += n;
    }
    return true;
}

// Copies everything up to the end of `from` (not just its stated size).
bool CopyContent(int from, int to, off_t &copied)
{
    std::vector<char> buffer(1u << 20);
    copied = 0;
    for (;;) {
        const ssize_t n = ::pread(from, buffer.data(), buffer.size(), copied);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return false;
        if (n == 0)
            return true;
        if (!WriteAt(to, buffer.data(), std::size_t(n), copied))
            return false;
        copied += n;
    }
}

QByteArray FolderOf(const QByteArray &path)
{
    const qsizetype slash = path.lastIndexOf('/');
    return slash <= 0 ? QByteArray("/") : path.left(slash);
}

// Where the old content waits when the file's own folder takes no new file:
// a folder of this user's that outlives a restart, unlike /tmp.
QByteArray StateFolder()
{
    QByteArray base = qgetenv("XDG_STATE_HOME");
    if (!base.startsWith('/')) {
        const QByteArray home = qgetenv("HOME");
        if (!home.startsWith('/'))
            return QByteArray();
        base = home + "/.local/state";
    }
    const QByteArray folder = base + "/quillon";
    if (!QDir().mkpath(QFile::decodeName(folder)))
        return QByteArray();
    ::chmod(folder.constData(), 0700);
    return folder;
}

// Creates the file for the old content: beside the target, else in the
// state folder. Only this user can read it (mode 0600).
int CreateCopy(const QByteArray &target, QByteArray &copyName)
{
    // Room for the suffix within the longest name a folder takes.
    const QByteArray name = target.mid(target.lastIndexOf('/') + 1).left(200);
    for (int place = 0; place < 2; ++place) {
        // The state folder is made only when it is needed.
        const QByteArray folder = place == 0 ? FolderOf(target) : StateFolder();
        if (folder.isEmpty())
            continue;
        QByteArray pattern = folder + '/' + name + ".sicherung-XXXXXX";
        const int fd = ::mkostemp(pattern.data(), O_CLOEXEC);
        if (fd >= 0) {
            copyName = pattern;
            return fd;
        }
    }
    return -1;
}

// The same inode keeps its owner, group, mode, attributes and every hard
// link; the synced copy covers a crash half-way.
TSaveResult WriteInPlace(const QByteArray &target, const char *data, std::size_t length, QString *keptCopy)
{
    const TFd file(::open(target.constData(), O_RDWR | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    if (file.Get() < 0)
        return TSaveResult::CannotCreate;
    struct stat info;
    if (::fstat(file.Get(), &info) != 0)
        return TSaveResult::WriteFailed;
    if (!S_ISREG(info.st_mode))
        return TSaveResult::NotRegular;

    QByteArray copyName;
    const TFd copy(CreateCopy(target, copyName));
    if (copy.Get() < 0)
        return TSaveResult::WriteFailed;
    off_t oldSize = 0;
    if (!CopyContent(file.Get(), copy.Get(), oldSize) || !Sync(copy.Get())) {
        ::unlink(copyName.constData());
        return TSaveResult::WriteFailed;
    }
    SyncFolder(FolderOf(copyName));
    // Claims the room first where the file system can: a full disk then fails
    // here, before the first old byte is overwritten.
    if (length > 0 && ::fallocate(file.Get(), FALLOC_FL_KEEP_SIZE, 0, off_t(length)) != 0
        && (errno == ENOSPC || errno == EDQUOT)) {
        ::unlink(copyName.constData());
        return TSaveResult::WriteFailed;
    }
    if (WriteAt(file.Get(), data, length, 0) && ::ftruncate(file.Get(), off_t(length)) == 0 && Sync(file.Get())) {
        ::unlink(copyName.constData());
        return TSaveResult::Ok;
    }
    off_t restored = 0;
    if (CopyContent(copy.Get(), file.Get(), restored) && restored == oldSize && ::ftruncate(file.Get(), oldSize) == 0
        && Sync(file.Get())) {
        ::unlink(copyName.constData());
    } else if (keptCopy) {
        *keptCopy = QFile::decodeName(copyName);
    }
    return TSaveResult::WriteFailed;
}

// Extended attributes (access control lists among them) go with the
// content; one this user may not set is left behind.
void CopyAttributes(const QByteArray &from, int to)
{
    const ssize_t listSize = ::listxattr(from.constData(), nullptr, 0);
    if (listSize <= 0)
        return;
    std::vector<char> names(std::size_t(listSize) + 1, '\0');
    const ssize_t got = ::listxattr(from.constData(), names.data(), names.size() - 1);
    for (const char *name = names.data(); got > 0 && name < names.data() + got; name += std::strlen(name) + 1) {
        const ssize_t size = ::getxattr(from.constData(), name, nullptr, 0);
        if (size < 0)
            continue;
        std::vector<char> value(std::size_t(size) + 1);
        const ssize_t read = ::getxattr(from.constData(), name, value.data(), value.size());
        if (read >= 0)
            ::fsetxattr(to, name, value.data(), std::size_t(read), 0);
    }
}

// Gives the new file the old one's owner, group, mode and attributes; false
// when this user cannot give it the owner or the group.
bool TakeOver(int fd, const QByteArray &from, const struct stat &old)
{
    struct stat now;
    if (::fstat(fd, &now) != 0)
        return false;
    if ((now.st_uid != old.st_uid || now.st_gid != old.st_gid) && ::fchown(fd, old.st_uid, old.st_gid) != 0)
        return false;
    // After the owner: a change of owner clears the set-id bits.
    if (::fchmod(fd, old.st_mode & 07777) != 0)
        return false;
    CopyAttributes(from, fd);
    return true;
}

} // namespace

TSaveResult SaveBytes(const QString &path, const char *data, std::size_t length, QString *keptCopy)
{
    if (keptCopy)
        keptCopy->clear();
    const QByteArray native = QFile::encodeName(path);
    struct stat old;
    const bool exists = ::stat(native.constData(), &old) == 0;
    if (exists && !S_ISREG(old.st_mode))
        return TSaveResult::NotRegular;
    QByteArray target = native;
    if (exists) {
        char resolved[PATH_MAX];
        if (::realpath(native.constData(), resolved))
            target = resolved;
    }
    // A new file renamed over one with more links would part it from them.
    if (exists && old.st_nlink > 1)
        return WriteInPlace(target, data, length, keptCopy);

    // QSaveFile writes beside the target, fsyncs and renames; it follows a
    // symbolic link.
    QSaveFile file(path);
    file.setDirectWriteFallback(false);
    if (!file.open(QIODevice::WriteOnly)) {
        // A folder that takes no new file may hold a file this user may write.
        if (exists && ::access(target.constData(), W_OK) == 0)
            return WriteInPlace(target, data, length, keptCopy);
        return TSaveResult::CannotCreate;
    }
    if (exists && !TakeOver(file.handle(), target, old)) {
        file.cancelWriting();
        return WriteInPlace(target, data, length, keptCopy);
    }
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
    // the old one. Sync here and keep the old file when that fails.
    if (!file.flush() || !Sync(file.handle())) {
        file.cancelWriting();
        return TSaveResult::WriteFailed;
    }
    // Something else may have been put in the file's place meanwhile.
    struct stat now;
    if (::stat(native.constData(), &now) == 0 && !S_ISREG(now.st_mode)) {
        file.cancelWriting();
        return TSaveResult::NotRegular;
    }
    if (!file.commit())
        return TSaveResult::WriteFailed;
    return TSaveResult::Ok;
}

QString SaveErrorMessage(TSaveResult result, const QString &path, const QString &keptCopy)
{
    switch (result) {
    case TSaveResult::Ok: return QString();
    case TSaveResult::CannotCreate: return QStringLiteral("Datei %1 kann nicht erstellt werden").arg(path);
    case TSaveResult::NotRegular:
        return QStringLiteral("Datei %1 ist keine normale Datei und wird nicht überschrieben.").arg(path);
    case TSaveResult::WriteFailed: break;
    }
    QString message = QStringLiteral("Speichern des Streams ist mißlungen");
    if (!keptCopy.isEmpty())
        message += QStringLiteral("\nDer alte Inhalt von %1 ist in %2 erhalten.").arg(path, keptCopy);
    return message;
}

bool IsUnreadableEntry(const QString &path)
{
    const QFileInfo info(path);
    return info.exists() && !info.isFile();
}

int OpenRegularForReading(const QString &path)
{
    const QByteArray native = QFile::encodeName(path);
    // Devices are not even opened: opening one can have effects of its own.
    struct stat before;
    if (::stat(native.constData(), &before) != 0 || !S_ISREG(before.st_mode))
        return -1;
    const int fd = ::open(native.constData(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0)
        return -1;
    struct stat info;
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return -1;
    }
    return fd;
}

} // namespace textfile
