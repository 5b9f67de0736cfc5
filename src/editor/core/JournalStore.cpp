#include "editor/core/JournalStore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <cerrno>
#include <cstring>
#include <new>

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace journal {

namespace {

const char kLockName[] = "lock";
const char kSuffix[] = ".qj";
// Larger than any text the editor holds: a damaged size is not read.
constexpr qint64 kLargestRecord = qint64(1) << 31;

QString SystemError(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

QByteArray Bytes(const QString &name)
{
    return QFile::encodeName(name);
}

bool WriteAll(int fd, const QByteArray &bytes)
{
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t written = ::write(fd, bytes.constData() + done, std::size_t(bytes.size() - done));
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        done += written;
    }
    return true;
}

// A folder of this user that nobody else can enter, opened without
// following a link at its last step.
int OpenOwnFolder(int parent, const char *name)
{
    const int fd = ::openat(parent, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return -1;
    struct stat info
    {
    };
    if (::fstat(fd, &info) != 0 || info.st_uid != ::geteuid() || (info.st_mode & 077) != 0) {
        ::close(fd);
        errno = EPERM;
        return -1;
    }
    return fd;
}

// The lock of an instance folder, taken without waiting; -1 while its
// instance runs.
int TakeLock(int dir, bool create)
{
    const int fd = ::openat(dir, kLockName, O_RDWR | O_NOFOLLOW | O_CLOEXEC | (create ? O_CREAT : 0), 0600);
    if (fd < 0)
        return -1;
    struct stat info
    {
    };
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_uid != ::geteuid()
        || ::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

bool IsJournalName(const char *name)
{
    const std::size_t length = std::strlen(name);
    const std::size_t suffix = sizeof kSuffix - 1;
    return name[0] != '.' && length > suffix && std::strcmp(name + length - suffix, kSuffix) == 0;
}

QStringList Entries(int dir)
{
    QStringList names;
    const int copy = ::dup(dir);
    if (copy < 0)
        return names;
    DIR *listing = ::fdopendir(copy);
    if (!listing) {
        ::close(copy);
        return names;
    }
    ::rewinddir(listing);
    while (const dirent *entry = ::readdir(listing)) {
        if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0)
            names << QFile::decodeName(entry->d_name);
    }
    ::closedir(listing);
    return names;
}

} // namespace

QString StateFolder()
{
    QString base = qEnvironmentVariable("XDG_STATE_HOME");
    // XDG rules: a relative XDG_STATE_HOME counts as unset, like an empty one.
    if (base.isEmpty() || !QDir::isAbsolutePath(base))
        base = QDir::homePath() + QStringLiteral("/.local/state");
    return base + QStringLiteral("/quillon");
}

QString JournalName(int number)
{
    return QString::number(number) + QLatin1String(kSuffix);
}

TFolder::~TFolder()
{
    if (m_lock >= 0)
        ::close(m_lock);
    if (m_dir >= 0)
        ::close(m_dir);
}

std::unique_ptr<TFolder> TFolder::CreateOwn(const QString &stateFolder, QString &error)
{
    const QFileInfo info(stateFolder);
    QDir().mkpath(info.absolutePath());
    const QByteArray state = Bytes(stateFolder);
    if (::mkdir(state.constData(), 0700) != 0 && errno != EEXIST) {
        error = stateFolder + QStringLiteral(": ") + SystemError(errno);
        return nullptr;
    }
    const int stateFd = OpenOwnFolder(AT_FDCWD, state.constData());
    if (stateFd < 0) {
        error = stateFolder + QStringLiteral(": ") + SystemError(errno);
        return nullptr;
    }
    // Made under a name scans pass over, locked, and only then given its
    // name: no other start ever sees it unlocked.
    const QString id =
        QStringLiteral("%1-%2").arg(::getpid()).arg(QRandomGenerator::system()->generate(), 8, 16, QLatin1Char('0'));
    const QByteArray temporary = Bytes(QStringLiteral(".new-") + id);
    const QByteArray final = Bytes(QStringLiteral("instance-") + id);
    int dir = -1;
    int lock = -1;
    if (::mkdirat(stateFd, temporary.constData(), 0700) == 0) {
        dir = OpenOwnFolder(stateFd, temporary.constData());
        lock = dir >= 0 ? TakeLock(dir, true) : -1;
        if (lock < 0 || ::renameat(stateFd, temporary.constData(), stateFd, final.constData()) != 0) {
            const int saved = errno;
            if (lock >= 0)
                ::close(lock);
            if (dir >= 0) {
                ::unlinkat(dir, kLockName, 0);
                ::close(dir);
            }
            ::unlinkat(stateFd, temporary.constData(), AT_REMOVEDIR);
            errno = saved;
            dir = lock = -1;
        }
    }
    const int saved = errno;
    ::close(stateFd);
    if (dir < 0) {
        error = stateFolder + QStringLiteral(": ") + SystemError(saved);
        return nullptr;
    }
    return std::unique_ptr<TFolder>(new TFolder(dir, lock, stateFolder + QLatin1Char('/') + QFile::decodeName(final)));
}

bool TFolder::Write(const QString &name, const QByteArray &bytes, QString &error)
{
    const QByteArray target = Bytes(name);
    const QByteArray temporary = Bytes(QStringLiteral(".tmp-") + name);
    ::unlinkat(m_dir, temporary.constData(), 0);
    const int fd = ::openat(m_dir, temporary.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    bool ok = fd >= 0 && WriteAll(fd, bytes) && ::fdatasync(fd) == 0;
    int saved = errno;
    if (fd >= 0 && ::close(fd) != 0 && ok) {
        ok = false;
        saved = errno;
    }
    if (ok && ::renameat(m_dir, temporary.constData(), m_dir, target.constData()) != 0) {
        ok = false;
        saved = errno;
    }
    if (!ok) {
        ::unlinkat(m_dir, temporary.constData(), 0);
        error = m_path + QLatin1Char('/') + name + QStringLiteral(": ") + SystemError(saved);
        return false;
    }
    // The rename itself is on disk only once the folder is.
    ::fsync(m_dir);
    return true;
}

bool TFolder::Append(const QString &name, const QByteArray &bytes, QString &error)
{
    const QByteArray target = Bytes(name);
    const int fd = ::openat(m_dir, target.constData(), O_WRONLY | O_APPEND | O_NOFOLLOW | O_CLOEXEC);
    struct stat info
    {
    };
    bool ok =
        fd >= 0 && ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && WriteAll(fd, bytes) && ::fdatasync(fd) == 0;
    const int saved = errno;
    if (fd >= 0)
        ::close(fd);
    if (!ok)
        error = m_path + QLatin1Char('/') + name + QStringLiteral(": ") + SystemError(saved);
    return ok;
}

void TFolder::Remove(const QString &name)
{
    ::unlinkat(m_dir, Bytes(name).constData(), 0);
}

void TFolder::RemoveAll(bool records)
{
    for (const QString &name : Entries(m_dir)) {
        const QByteArray bytes = Bytes(name);
        if ((records && IsJournalName(bytes.constData())) || name.startsWith(QStringLiteral(".tmp-"))
            || name == kLockName)
            ::unlinkat(m_dir, bytes.constData(), 0);
    }
    // Left in place when something else is in it.
    ::rmdir(Bytes(m_path).constData());
}

QStringList TFolder::JournalNames() const
{
    QStringList names;
    for (const QString &name : Entries(m_dir)) {
        if (IsJournalName(Bytes(name).constData()))
            names << name;
    }
    names.sort();
    return names;
}

bool TFolder::Read(const QString &name, QByteArray &data) const
{
    const int fd = ::openat(m_dir, Bytes(name).constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat info
    {
    };
    bool ok = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_uid == ::geteuid()
              && info.st_size <= kLargestRecord;
    if (ok) {
        data.resize(qsizetype(info.st_size));
        qsizetype done = 0;
        while (done < data.size()) {
            const ssize_t got = ::read(fd, data.data() + done, std::size_t(data.size() - done));
            if (got < 0 && errno == EINTR)
                continue;
            if (got <= 0)
                break;
            done += got;
        }
        data.resize(done);
    }
    ::close(fd);
    return ok;
}

void TOrphans::Adopt(const QString &stateFolder)
{
    const int state = OpenOwnFolder(AT_FDCWD, Bytes(stateFolder).constData());
    if (state < 0)
        return;
    for (const QString &entry : Entries(state)) {
        if (!entry.startsWith(QStringLiteral("instance-")))
            continue;
        const QByteArray name = Bytes(entry);
        const int dir = OpenOwnFolder(state, name.constData());
        if (dir < 0)
            continue;
        const int lock = TakeLock(dir, true);
        if (lock < 0) {
            ::close(dir);
            continue; // its instance is running
        }
        auto folder = std::unique_ptr<TFolder>(new TFolder(dir, lock, stateFolder + QLatin1Char('/') + entry));
        bool any = false;
        bool unreadable = false;
        for (const QString &journal : folder->JournalNames()) {
            QByteArray data;
            TFound found;
            if (folder->Read(journal, data) && Parse(data, found.record)) {
                found.folder = folder.get();
                found.name = journal;
                m_found.push_back(std::move(found));
                any = true;
            } else {
                unreadable = true;
            }
        }
        if (!any && !unreadable)
            folder->RemoveAll();
        else if (any)
            m_folders.push_back(std::move(folder));
    }
    ::close(state);
}

void TOrphans::Discard()
{
    for (const TFound &found : m_found)
        found.folder->Remove(found.name);
    m_found.clear();
    for (auto &folder : m_folders)
        folder->RemoveAll(false);
    m_folders.clear();
}

TWriter::TWriter(TFolder &folder, TReport report) : m_folder(folder), m_report(std::move(report))
{
    m_thread = std::thread([this] { Run(); });
}

TWriter::~TWriter()
{
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_stop = true;
    }
    m_wake.notify_all();
    m_thread.join();
}

void TWriter::Push(TItem item)
{
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        // A newer whole record makes a waiting older one pointless.
        if (item.job == TJob::Write && !m_queue.empty() && m_queue.back().job == TJob::Write
            && m_queue.back().name == item.name)
            m_queue.back() = std::move(item);
        else
            m_queue.push_back(std::move(item));
    }
    m_wake.notify_all();
}

void TWriter::Write(const QString &name, QByteArray bytes)
{
    Push({TJob::Write, name, std::move(bytes)});
}

void TWriter::WriteCopy(const QString &name, const THeader &header, QByteArray text)
{
    Push({TJob::Write, name, std::move(text), std::make_shared<THeader>(header)});
}

void TWriter::Append(const QString &name, QByteArray bytes)
{
    Push({TJob::Append, name, std::move(bytes)});
}

void TWriter::Remove(const QString &name)
{
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        for (auto it = m_queue.begin(); it != m_queue.end();)
            it = it->name == name ? m_queue.erase(it) : it + 1;
    }
    Push({TJob::Remove, name, {}});
}

void TWriter::Wait()
{
    std::unique_lock<std::mutex> lock(m_mutex);
    m_idle.wait(lock, [this] { return m_queue.empty() && !m_busy; });
}

int TWriter::Failures()
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    return m_failures;
}

void TWriter::Run()
{
    std::unique_lock<std::mutex> lock(m_mutex);
    for (;;) {
        m_wake.wait(lock, [this] { return m_stop || !m_queue.empty(); });
        if (m_queue.empty()) {
            if (m_stop)
                return;
            continue;
        }
        TItem item = std::move(m_queue.front());
        m_queue.pop_front();
        m_busy = true;
        const bool broken = m_broken.count(item.name) != 0;
        lock.unlock();

        QString error;
        bool failed = false;
        switch (item.job) {
        case TJob::Write:
            try {
                if (item.header)
                    item.bytes = EncodeHeader(*item.header, item.bytes);
                failed = !m_folder.Write(item.name, item.bytes, error);
            } catch (const std::bad_alloc &) {
                failed = true;
                error = QStringLiteral("kein Speicher frei");
            }
            break;
        case TJob::Append: failed = !broken && !m_folder.Append(item.name, item.bytes, error); break;
        case TJob::Remove: m_folder.Remove(item.name); break;
        }
        if (failed && m_report)
            m_report(item.name, error);

        lock.lock();
        if (failed) {
            m_broken.insert(item.name);
            ++m_failures;
        } else if (item.job != TJob::Append)
            m_broken.erase(item.name);
        m_busy = false;
        if (m_queue.empty())
            m_idle.notify_all();
    }
}

} // namespace journal
