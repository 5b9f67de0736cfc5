#include "editor/JournalKeeper.h"

#include "editor/LongWork.h"
#include "editor/MultEdit.h"
#include "editor/OpenFile.h"
#include "editor/XMemo.h"
#include "platform/Dialogs.h"

#include <QFile>
#include <algorithm>
#include <new>
#include <utility>

namespace {

// Edits followed beyond this (or beyond the text's size) are replaced by a
// fresh copy, so a record never takes longer to replay than to rewrite.
constexpr qint64 kMostEditBytes = 64 * 1024 * 1024;

void *DocumentOf(TXMemo *control)
{
    return reinterpret_cast<void *>(control->SendScintilla(QsciScintillaBase::SCI_GETDOCPOINTER));
}

} // namespace

TJournalKeeper::TJournalKeeper(TMultiEditor *editor, std::unique_ptr<journal::TFolder> folder,
                               const QString &folderError)
    : QObject(editor), m_editor(editor), m_folder(std::move(folder)), m_folderError(folderError)
{
    // Told at once, not at the first change: a box popping up while the
    // user types would take the keys typed after it.
    if (!m_folder)
        WarnOnce(m_folderError);
    if (m_folder) {
        m_writer = std::make_unique<journal::TWriter>(*m_folder, [this](const QString &name, const QString &error) {
            QMetaObject::invokeMethod(
                this, [this, name, error] { Failed(name, error); }, Qt::QueuedConnection);
        });
    }
    m_timer.setSingleShot(true);
    m_timer.setInterval(1000);
    connect(&m_timer, &QTimer::timeout, this, [this] {
        // A text being loaded or replaced in long work is written once the
        // work is done, not half-way.
        if (TLongWork::Current())
            m_timer.start();
        else
            WriteDue();
    });
    connect(editor, &TMultiPanel::OnActualize, this, [this](QObject *sender) {
        FollowNewFiles();
        if (auto *control = qobject_cast<TXMemo *>(sender))
            NoteState(control);
    });
    FollowNewFiles();
}

TJournalKeeper::~TJournalKeeper()
{
    // The writer finishes what it was given before the folder is let go.
    m_writer.reset();
}

journal::THeader TJournalKeeper::HeaderOf(const TOpenFile *file, const TXMemo *control, journal::TKind kind) const
{
    journal::THeader header;
    header.kind = kind;
    header.fileName = file->FileName();
    header.untitled = file->Untitled();
    header.encoding = control->Encoding();
    const diskidentity::TDiskIdentity &disk = file->DiskIdentity();
    header.baseExists = disk.exists;
    header.baseSize = disk.size;
    header.baseModifiedNs = disk.modifiedNs;
    header.baseChecksum = file->DiskChecksum();
    return header;
}

void TJournalKeeper::FollowNewFiles()
{
    if (!m_editor || m_frozen)
        return;
    const TFileList &files = m_editor->ControlList();
    for (int i = 0; i < files.Count(); ++i) {
        if (m_followed.count(files.Control(i)) == 0)
            Follow(files.At(i));
    }
}

void TJournalKeeper::Follow(TOpenFile *file)
{
    TXMemo *control = file->Control();
    TFollowed &followed = m_followed[control];
    followed.file = file;
    followed.number = m_nextNumber++;
    connect(control, &QsciScintillaBase::SCN_MODIFIED, this,
            [this, control](int position, int type, const char *, int length, int, int, int, int, int, int) {
                // Heard in the middle of the control's change, which an
                // exception would leave half done: without memory for the
                // edits the record is written whole later instead.
                try {
                    NoteEdit(control, type, position, length);
                } catch (const std::bad_alloc &) {
                    if (const auto it = m_followed.find(control); it != m_followed.end()) {
                        StopFollowing(it->second);
                        it->second.dirty = true;
                        m_timer.start();
                    }
                }
            });
    const auto noteLater = [this, control] {
        QMetaObject::invokeMethod(
            this, [this, control] { NoteState(control); }, Qt::QueuedConnection);
    };
    connect(control, &QsciScintillaBase::SCN_SAVEPOINTREACHED, this, [this, control, noteLater] {
        // Saved: the saved text is another one now.
        if (const auto it = m_followed.find(control); it != m_followed.end())
            it->second.cleanKnown = false;
        noteLater();
    });
    connect(control, &QsciScintillaBase::SCN_SAVEPOINTLEFT, this, noteLater);
    connect(control, &QObject::destroyed, this, [this, control] { Closed(control); });
    NoteState(control);
}

void TJournalKeeper::NoteEdit(TXMemo *control, int type, qint64 position, qint64 length)
{
    const bool insert = type & QsciScintillaBase::SC_MOD_BEFOREINSERT;
    const bool remove = type & QsciScintillaBase::SC_MOD_BEFOREDELETE;
    const auto it = m_followed.find(control);
    if ((!insert && !remove) || it == m_followed.end() || m_frozen)
        return;
    TFollowed &followed = it->second;
    if (!m_writer) {
        WarnOnce(m_folderError);
        return;
    }
    const TOpenFile *file = followed.file;
    // The first change of a large text that is still its file's bytes: the
    // file on disk is the record's start, nothing needs copying.
    if (!followed.following && file && !control->Modified() && !file->Untitled()
        && control->TextLength() > kFollowEditsAbove) {
        journal::THeader header = HeaderOf(file, control, journal::TKind::Base);
        if (!header.baseExists || header.baseSize != control->TextLength()) {
            // The file as loaded is the text as it is now.
            header.baseExists = true;
            header.baseSize = control->TextLength();
            header.baseModifiedNs = 0;
            // Kept while the text stays the saved one: the control also
            // "edits" an unmodified text (byte for byte) to move its gap.
            if (!followed.cleanKnown || followed.cleanDocument != DocumentOf(control)) {
                followed.cleanChecksum = control->Checksum();
                followed.cleanDocument = DocumentOf(control);
                followed.cleanKnown = true;
            }
            header.baseChecksum = followed.cleanChecksum;
        }
        followed.header = journal::EncodeHeader(header);
        followed.following = true;
        followed.edits.clear();
        followed.editBytes = 0;
        followed.expectedLength = control->TextLength();
        followed.document = DocumentOf(control);
        followed.fileName = file->FileName();
        followed.encoding = control->Encoding();
    }
    if (followed.following) {
        TakePendingInsert(control, followed);
        if (insert) {
            // The control tells what is inserted only after the fact.
            followed.pendingPosition = position;
            followed.pendingLength = length;
            followed.expectedLength += length;
        } else {
            journal::AppendDelete(followed.edits, position, length);
            followed.expectedLength -= length;
        }
    }
    followed.dirty = true;
    if (!m_timer.isActive())
        m_timer.start();
}

void TJournalKeeper::TakePendingInsert(TXMemo *control, TFollowed &followed)
{
    if (followed.pendingPosition < 0)
        return;
    // Nothing else has changed since: the bytes stand where they went in.
    const QByteArray bytes =
        control->TextRange(followed.pendingPosition, followed.pendingPosition + followed.pendingLength);
    journal::AppendInsert(followed.edits, followed.pendingPosition, bytes.constData(), bytes.size());
    followed.pendingPosition = -1;
}

void TJournalKeeper::StopFollowing(TFollowed &followed)
{
    followed.following = false;
    followed.header.clear();
    followed.edits.clear();
    followed.pendingPosition = -1;
}

void TJournalKeeper::NoteState(TXMemo *control)
{
    const auto it = m_followed.find(control);
    if (it == m_followed.end() || m_frozen)
        return;
    TFollowed &followed = it->second;
    const bool modified = control->Modified();
    if (!modified && followed.onDisk) {
        // Saved, reloaded or undone to the saved text: the record goes now.
        WriteOne(control, followed);
    } else if (modified && !followed.onDisk) {
        followed.dirty = true;
        if (!m_timer.isActive())
            m_timer.start();
    }
}

void TJournalKeeper::Closed(TXMemo *control)
{
    const auto it = m_followed.find(control);
    if (it == m_followed.end())
        return;
    if (!m_frozen && it->second.onDisk && m_writer)
        m_writer->Remove(journal::JournalName(it->second.number));
    m_followed.erase(it);
}

void TJournalKeeper::WriteDue()
{
    for (auto &[control, followed] : m_followed) {
        if (followed.dirty)
            WriteOne(control, followed);
    }
}

void TJournalKeeper::WriteOne(TXMemo *control, TFollowed &followed)
{
    followed.dirty = false;
    const TOpenFile *file = followed.file;
    if (!file || !m_writer)
        return;
    const QString name = journal::JournalName(followed.number);
    if (!control->Modified()) {
        if (followed.onDisk)
            m_writer->Remove(name);
        followed.onDisk = false;
        StopFollowing(followed);
        return;
    }
    if (followed.following)
        TakePendingInsert(control, followed);
    const qint64 length = control->TextLength();
    void *document = DocumentOf(control);
    // Anything the edits do not explain (a text loaded anew, a new name)
    // starts the record afresh.
    if (followed.following
        && (document != followed.document || length != followed.expectedLength || file->FileName() != followed.fileName
            || control->Encoding() != followed.encoding || followed.editBytes > std::max(length, kMostEditBytes)))
        StopFollowing(followed);
    try {
        if (followed.following) {
            if (!followed.header.isEmpty())
                m_writer->Write(name, std::exchange(followed.header, QByteArray()));
            if (!followed.edits.isEmpty()) {
                followed.editBytes += followed.edits.size();
                m_writer->Append(name, std::exchange(followed.edits, QByteArray()));
            }
        } else {
            StopFollowing(followed);
            // The one copy made on this thread; it is written on the writer's.
            m_writer->WriteCopy(name, HeaderOf(file, control, journal::TKind::Copy), control->Text());
            followed.following = length > kFollowEditsAbove;
            followed.expectedLength = length;
            followed.editBytes = 0;
            followed.document = document;
            followed.fileName = file->FileName();
            followed.encoding = control->Encoding();
        }
        followed.onDisk = true;
    } catch (const std::bad_alloc &) {
        // No memory for the copy: editing goes on unprotected.
        StopFollowing(followed);
        WarnOnce(QStringLiteral("kein Speicher frei"));
    }
}

void TJournalKeeper::Failed(const QString &name, const QString &error)
{
    for (auto &[control, followed] : m_followed) {
        // The next change writes the whole text again.
        if (journal::JournalName(followed.number) == name)
            StopFollowing(followed);
    }
    WarnOnce(error);
}

void TJournalKeeper::WarnOnce(const QString &reason)
{
    if (m_warned)
        return;
    m_warned = true;
    // Never from inside an edit of the text control.
    QMetaObject::invokeMethod(
        this,
        [this, reason] {
            dialogs::ShowMessage(m_editor, QStringLiteral("Warnung"),
                                 QStringLiteral("Die Wiederherstellungsdaten können nicht geschrieben werden (%1). "
                                                "Ungesicherte Änderungen sind bei einem Absturz nicht geschützt.")
                                     .arg(reason),
                                 dialogs::TKind::Warning);
        },
        Qt::QueuedConnection);
}

int TJournalKeeper::AdoptOrphans(const QString &stateFolder)
{
    m_orphans.Adopt(stateFolder);
    return int(m_orphans.Found().size());
}

QStringList TJournalKeeper::RestoreOrphans()
{
    QStringList failed;
    std::vector<const journal::TFound *> restored;
    const int failuresBefore = m_writer ? m_writer->Failures() : 0;
    for (const journal::TFound &found : m_orphans.Found()) {
        const journal::THeader &header = found.record.header;
        QByteArray base;
        // Only a regular file is read: opening a FIFO planted under the
        // name would wait for ever.
        if (header.kind == journal::TKind::Base && diskidentity::Stat(header.fileName).exists) {
            QFile file(header.fileName);
            if (file.open(QIODevice::ReadOnly))
                base = file.readAll();
        }
        QByteArray text;
        TOpenFile *file = nullptr;
        if (m_editor && journal::Rebuild(found.record, base, text) == journal::TRebuild::Done)
            file = m_editor->OpenRecovered(header.untitled ? QStringLiteral("<unbekannt>") : header.fileName,
                                           header.untitled, text, header.encoding);
        if (!file) {
            failed << (header.untitled ? QStringLiteral("<unbekannt>") : header.fileName);
            continue;
        }
        diskidentity::TDiskIdentity disk;
        disk.exists = header.baseExists;
        disk.size = header.baseSize;
        disk.modifiedNs = header.baseModifiedNs;
        file->SetDiskIdentity(disk, header.baseChecksum);
        FollowNewFiles();
        restored.push_back(&found);
    }
    WriteDue();
    if (m_writer) {
        m_writer->Wait();
        // The old records go only once the texts are safe in new ones.
        if (m_writer->Failures() == failuresBefore) {
            for (const journal::TFound *found : restored)
                found->folder->Remove(found->name);
        }
    }
    return failed;
}

void TJournalKeeper::KeepAllNow()
{
    for (auto &[control, followed] : m_followed) {
        if (control->Modified() && (followed.dirty || !followed.onDisk || followed.following))
            WriteOne(control, followed);
    }
    if (m_writer)
        m_writer->Wait();
    m_frozen = true;
    m_timer.stop();
}

void TJournalKeeper::Finish()
{
    bool keep = false;
    for (auto &[control, followed] : m_followed)
        keep = keep || control->Modified();
    if (keep) {
        KeepAllNow();
        return;
    }
    m_frozen = true;
    m_timer.stop();
    m_writer.reset();
    if (m_folder)
        m_folder->RemoveAll();
    m_orphans.Discard();
}
