#include "editor/DiskWatcher.h"

#include "editor/LongWork.h"
#include "editor/XMemo.h"
#include "editor/core/DiskChange.h"
#include "platform/Dialogs.h"
#include "platform/ErrorDisplay.h"
#include "platform/core/EditorError.h"
#include "platform/core/Encoding.h"
#include "platform/core/TextFile.h"

#include <QApplication>
#include <QFile>
#include <QPointer>
#include <algorithm>
#include <new>
#include <unistd.h>

using diskidentity::TDiskIdentity;

namespace {

// Not the program's title: that names the file in front, which need not be
// the one asked about.
const QString kCaption = QStringLiteral("Warnung");

// Reads a regular file to its end without ever blocking on a FIFO or a
// device put in its place.
template <typename Sink> bool ReadRegular(const QString &name, Sink sink)
{
    const int fd = textfile::OpenRegularForReading(name);
    QFile file;
    if (fd < 0 || !file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        if (fd >= 0)
            ::close(fd);
        return false;
    }
    QByteArray piece(1 << 20, Qt::Uninitialized);
    for (;;) {
        const qint64 got = file.read(piece.data(), piece.size());
        if (got < 0)
            return false;
        if (got == 0)
            return true;
        sink(piece.constData(), std::size_t(got));
    }
}

bool ChecksumOfFile(const QString &name, quint64 &checksum)
{
    diskidentity::TChecksum sum;
    if (!ReadRegular(name, [&](const char *data, std::size_t length) { sum.Feed(data, length); }))
        return false;
    checksum = sum.Result();
    return true;
}

diskchange::TKnown KnownOf(const TOpenFile *file)
{
    diskchange::TKnown known;
    known.base = file->DiskIdentity();
    known.baseChecksum = file->DiskChecksum();
    known.modified = file->Control()->Modified();
    known.told = file->ToldDisk();
    return known;
}

} // namespace

TDiskWatcher::TDiskWatcher(QWidget *owner, const TFileList &files, std::function<TOpenFile *()> current)
    : QObject(owner), m_owner(owner), m_files(files), m_current(std::move(current))
{
    m_currentTimer.setInterval(kCurrentInterval);
    connect(&m_currentTimer, &QTimer::timeout, this, &TDiskWatcher::CheckCurrentSoon);
    m_currentTimer.start();
    m_soonTimer.setSingleShot(true);
    m_soonTimer.setInterval(0);
    connect(&m_soonTimer, &QTimer::timeout, this, [this] {
        // Not while a file is loaded or replaced in long work: a reload
        // would start inside it. The check waits, the request is kept.
        if (TLongWork::Current()) {
            m_soonTimer.start(kCurrentInterval);
            return;
        }
        const bool all = std::exchange(m_allSoon, false);
        if (!MayCheckNow())
            return;
        errordisplay::RunGuarded([&] {
            if (all)
                CheckAll();
            else
                CheckCurrent();
        });
    });
    connect(qApp, &QGuiApplication::applicationStateChanged, this, [this](Qt::ApplicationState state) {
        if (state == Qt::ApplicationActive)
            CheckAllSoon();
    });
}

void TDiskWatcher::Remember(TOpenFile *file, const QString &name, const TDiskIdentity &identity)
{
    TXMemo *control = file->Control();
    quint64 checksum = 0;
    if (control->PlainText()) {
        checksum = control->Checksum();
    } else if (!ChecksumOfFile(name, checksum)) {
        // Rich text holds other bytes than its file: unreadable now, the
        // next check compares the metadata alone.
        checksum = 0;
    }
    file->SetDiskIdentity(identity, checksum);
    file->SetToldDisk(std::nullopt);
}

bool TDiskWatcher::Reload(TOpenFile *file)
{
    TXMemo *control = file->Control();
    const QString name = file->FileName();
    const TDiskIdentity before = diskidentity::Stat(name);
    if (!before.exists)
        return false;
    const qint64 line = control->LineFromChar(-1);
    const long firstVisible = control->SendScintilla(QsciScintillaBase::SCI_GETFIRSTVISIBLELINE);
    try {
        QByteArray bytes;
        textfile::TEolCounter counter;
        if (!ReadRegular(name, [&](const char *data, std::size_t length) {
                bytes.append(data, qsizetype(length));
                counter.Feed(data, length);
            }))
            return false;
        const bool inPlace = control->PlainText() && !control->ViewOnly()
                             && counter.Longest() <= std::uint64_t(diskchange::kLongestInPlaceLine)
                             && encoding::Detect(bytes.constData(), std::size_t(bytes.size()), control->Encoding())
                                    == control->Encoding();
        if (inPlace) {
            control->BeginUndoAction();
            control->ReplaceRange(0, control->TextLength(), bytes);
            control->EndUndoAction();
            control->SetEol(counter.Dominant());
        } else {
            // Another encoding or lines too long to lay out: the load
            // decides how to show them, at the price of the undo history.
            LoadTextFile(control, name);
        }
    } catch (const std::bad_alloc &) {
        return false;
    } catch (const TEditorError &) {
        control->SetLoadFailed(true);
        return false;
    }
    control->SetSelStart(control->LineIndex(std::min(line, control->LineCount() - 1)));
    control->SendScintilla(QsciScintillaBase::SCI_SETFIRSTVISIBLELINE, static_cast<unsigned long>(firstVisible));
    control->SetModified(false);
    control->SetLoadFailed(false);
    Remember(file, name, before);
    return true;
}

bool TDiskWatcher::MayCheckNow() const
{
    return !m_busy && QGuiApplication::applicationState() == Qt::ApplicationActive
           && !QApplication::activeModalWidget();
}

void TDiskWatcher::CheckAllSoon()
{
    m_allSoon = true;
    m_soonTimer.start(0);
}

void TDiskWatcher::CheckCurrentSoon()
{
    m_soonTimer.start(0);
}

void TDiskWatcher::CheckAll()
{
    QVector<TOpenFile *> all;
    for (int i = 0; i < m_files.Count(); ++i)
        all << m_files.At(i);
    Check(all);
}

void TDiskWatcher::CheckCurrent()
{
    if (TOpenFile *file = m_current())
        Check({file});
}

void TDiskWatcher::Check(const QVector<TOpenFile *> &files)
{
    if (m_busy)
        return;
    struct TTold
    {
        QPointer<TOpenFile> file;
        TDiskIdentity now;
    };
    std::vector<TTold> ask, gone;
    for (TOpenFile *file : files) {
        if (!file || file->Untitled() || !file->Control())
            continue;
        const QString name = file->FileName();
        const TDiskIdentity now = diskidentity::Stat(name);
        const diskchange::TKnown known = KnownOf(file);
        switch (diskchange::Judge(known, now, [&](quint64 &sum) { return ChecksumOfFile(name, sum); })) {
        case diskchange::TVerdict::Unchanged:
            // Back in place after it was gone: a later change is news again.
            if (known.told && now.SameAs(known.base))
                file->SetToldDisk(std::nullopt);
            break;
        case diskchange::TVerdict::Touched: file->SetDiskIdentity(now, known.baseChecksum); break;
        case diskchange::TVerdict::Reload:
            if (!Reload(file))
                file->SetToldDisk(now);
            break;
        case diskchange::TVerdict::Ask: ask.push_back({file, now}); break;
        case diskchange::TVerdict::Gone: gone.push_back({file, now}); break;
        case diskchange::TVerdict::AlreadyTold: break;
        }
    }
    if (gone.empty() && ask.empty())
        return;
    // Answers run an event loop: no second check may ask in between.
    m_busy = true;
    struct TDone
    {
        bool &busy;
        ~TDone() { busy = false; }
    } done{m_busy};

    if (!gone.empty()) {
        QStringList names;
        for (const TTold &entry : gone) {
            // The text no longer has a file behind it: closing asks to save.
            entry.file->Control()->SetModified(true);
            entry.file->SetToldDisk(entry.now);
            names << entry.file->FileName();
        }
        dialogs::ShowMessage(m_owner, kCaption, diskchange::GoneMessage(names), dialogs::TKind::Warning);
    }
    if (!ask.empty()) {
        QStringList names;
        for (const TTold &entry : ask) {
            // Told now, whatever the answer: the same state never asks twice.
            entry.file->SetToldDisk(entry.now);
            names << entry.file->FileName();
        }
        const bool reload =
            dialogs::AskYesNo(m_owner, kCaption, diskchange::ReloadQuestion(names), dialogs::TKind::Warning);
        // Files may have been closed while the question was open.
        for (const TTold &entry : ask) {
            if (!entry.file || !entry.file->Control())
                continue;
            if (reload)
                Reload(entry.file);
            else
                entry.file->Control()->SetModified(true);
        }
    }
}

bool TDiskWatcher::MayOverwrite(TOpenFile *file)
{
    const QString name = file->FileName();
    const TDiskIdentity now = diskidentity::Stat(name);
    if (diskchange::SafeToOverwrite(KnownOf(file), now, [&](quint64 &sum) { return ChecksumOfFile(name, sum); }))
        return true;
    const bool wasBusy = std::exchange(m_busy, true);
    const bool yes = dialogs::AskYesNo(m_owner, kCaption, diskchange::OverwriteQuestion(name), dialogs::TKind::Warning);
    m_busy = wasBusy;
    return yes;
}
