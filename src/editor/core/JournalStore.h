#pragma once
// Where recovery records live and who owns them. Every running instance has
// a folder of its own in the state folder and holds a lock on it; a folder
// whose lock nobody holds belongs to an instance that died, and its records
// are offered at the next start. Nothing here follows a link planted in the
// state folder, and nothing is written beside the user's files.
#include "editor/core/Journal.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

namespace journal {

// $XDG_STATE_HOME/quillon, else ~/.local/state/quillon.
QString StateFolder();

// A journal file's name: the instance's number for the tab.
QString JournalName(int number);

class TFolder
{
public:
    ~TFolder();
    TFolder(const TFolder &) = delete;
    TFolder &operator=(const TFolder &) = delete;

    // A fresh folder of this instance, locked until it is destroyed; the
    // state folder is made (0700) when it is not there. Null with a reason.
    static std::unique_ptr<TFolder> CreateOwn(const QString &stateFolder, QString &error);

    QString Path() const { return m_path; }
    // Atomically: a temporary file in the folder, synced, renamed over.
    bool Write(const QString &name, const QByteArray &bytes, QString &error);
    bool Append(const QString &name, const QByteArray &bytes, QString &error);
    void Remove(const QString &name);
    // The folder with every record in it (or, without `records`, with what
    // else is ours), if nothing else is left in it; the lock goes with it.
    void RemoveAll(bool records = true);
    QStringList JournalNames() const;
    // Only a regular file of this user, never through a link.
    bool Read(const QString &name, QByteArray &data) const;

private:
    friend class TOrphans;
    TFolder(int dir, int lock, const QString &path) : m_dir(dir), m_lock(lock), m_path(path) { }
    int m_dir = -1;
    int m_lock = -1;
    QString m_path;
};

struct TFound
{
    TFolder *folder = nullptr;
    QString name;
    TRecord record;
};

// The folders of instances that are no longer running, taken over by this
// one (their locks held), so a second instance started meanwhile does not
// offer them as well.
class TOrphans
{
public:
    // Folders with no record left are removed on the way; records that
    // cannot be read are left where they are and not offered.
    void Adopt(const QString &stateFolder);
    const std::vector<TFound> &Found() const { return m_found; }
    // The records offered, and their folders when nothing else is in them.
    void Discard();

private:
    std::vector<std::unique_ptr<TFolder>> m_folders;
    std::vector<TFound> m_found;
};

// Writes records off the GUI thread, in the order given, so a slow or full
// disk never holds up typing.
class TWriter
{
public:
    // `report` runs on the writer's thread, with the record's name.
    using TReport = std::function<void(const QString &name, const QString &error)>;
    TWriter(TFolder &folder, TReport report);
    ~TWriter();
    TWriter(const TWriter &) = delete;
    TWriter &operator=(const TWriter &) = delete;

    void Write(const QString &name, QByteArray bytes);
    // A whole record of a copy of the text, put together on the writer's
    // thread: for a large text that is most of the work.
    void WriteCopy(const QString &name, const THeader &header, QByteArray text);
    // Edits behind the record last written; dropped while that one failed,
    // since they would follow an older text.
    void Append(const QString &name, QByteArray bytes);
    void Remove(const QString &name);
    // Returns when everything given so far is on disk (or failed).
    void Wait();
    // How many writes failed so far.
    int Failures();

private:
    enum class TJob { Write, Append, Remove };
    struct TItem
    {
        TJob job;
        QString name;
        QByteArray bytes;
        // With a header, `bytes` is the text of a copy still to be encoded.
        std::shared_ptr<THeader> header = {};
    };
    void Run();
    void Push(TItem item);

    TFolder &m_folder;
    TReport m_report;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_idle;
    std::deque<TItem> m_queue;
    std::set<QString> m_broken;
    bool m_busy = false;
    int m_failures = 0;
    bool m_stop = false;
    std::thread m_thread;
};

} // namespace journal
