#pragma once
// Keeps a recovery record of every modified file of the editor: a tab has
// one exactly while it is modified. Small texts are written whole; a large
// one is written once (or taken from its unchanged file on disk) and then
// followed edit by edit, so typing never waits for a copy of it.
#include "editor/core/JournalStore.h"

#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QTimer>
#include <map>
#include <memory>

class TMultiEditor;
class TOpenFile;
class TXMemo;

class TJournalKeeper : public QObject
{
    Q_OBJECT

public:
    // Above this size a text is not copied for every change.
    static constexpr qint64 kFollowEditsAbove = 4 * 1024 * 1024;

    // Without a folder (it could not be made: `folderError` says why)
    // nothing is kept, and the first change says so once.
    TJournalKeeper(TMultiEditor *editor, std::unique_ptr<journal::TFolder> folder, const QString &folderError);
    ~TJournalKeeper() override;

    // How long after a change its record is written.
    void SetDelay(int milliseconds) { m_timer.setInterval(milliseconds); }
    QString FolderPath() const { return m_folder ? m_folder->Path() : QString(); }

    // Records left by instances that died; adopted so no other start
    // offers them too.
    int AdoptOrphans(const QString &stateFolder);
    // Opens each adopted record as a modified tab; the names of those that
    // could not be rebuilt are returned (their file changed, or damage).
    QStringList RestoreOrphans();

    // Every modified file's record on disk now; nothing is removed any more
    // (the program ends without asking).
    void KeepAllNow();
    // The program ends: records of files still modified stay; without any,
    // this instance's folder goes, and with it the adopted records.
    void Finish();

private:
    struct TFollowed
    {
        QPointer<TOpenFile> file;
        int number = 0;
        bool dirty = false;
        bool onDisk = false;
        // Edits are followed since the record's start.
        bool following = false;
        QByteArray header; // still to be written before the edits
        QByteArray edits;
        // An insert announced, whose bytes are read at the next change.
        qint64 pendingPosition = -1;
        qint64 pendingLength = 0;
        qint64 expectedLength = 0;
        qint64 editBytes = 0;
        void *document = nullptr;
        // The checksum of the text as last saved or loaded.
        bool cleanKnown = false;
        quint64 cleanChecksum = 0;
        void *cleanDocument = nullptr;
        QString fileName;
        encoding::TEncoding encoding = encoding::TEncoding::Cp1252;
    };

    void FollowNewFiles();
    void Follow(TOpenFile *file);
    void NoteEdit(TXMemo *control, int type, qint64 position, qint64 length);
    void TakePendingInsert(TXMemo *control, TFollowed &followed);
    void StopFollowing(TFollowed &followed);
    void NoteState(TXMemo *control);
    void Closed(TXMemo *control);
    void WriteDue();
    void WriteOne(TXMemo *control, TFollowed &followed);
    void Failed(const QString &name, const QString &error);
    void WarnOnce(const QString &reason);
    journal::THeader HeaderOf(const TOpenFile *file, const TXMemo *control, journal::TKind kind) const;

    QPointer<TMultiEditor> m_editor;
    std::unique_ptr<journal::TFolder> m_folder;
    std::unique_ptr<journal::TWriter> m_writer;
    QString m_folderError;
    std::map<TXMemo *, TFollowed> m_followed;
    journal::TOrphans m_orphans;
    QTimer m_timer;
    int m_nextNumber = 1;
    bool m_frozen = false;
    bool m_warned = false;
};
