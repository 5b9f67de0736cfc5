#include "editor/MultEdit.h"

#include "editor/DiskWatcher.h"
#include "editor/GotoDlg.h"
#include "editor/LongWork.h"
#include "editor/core/FileNames.h"
#include "editor/core/Navigation.h"
#include "platform/core/EditorError.h"
#include "platform/AppTitle.h"
#include "platform/Dialogs.h"
#include "platform/ErrorDisplay.h"
#include "editor/FindDialog.h"
#include "editor/XMemoAccessible.h"
#include "platform/KeyState.h"
#include "platform/core/EncodedText.h"
#include "platform/core/IntText.h"

#include <QFileInfo>
#include <QGuiApplication>
#include <QPointer>
#include <algorithm>
#include <functional>
#include <utility>

namespace {

// The busy cursor for the length of an operation, also when it throws.
class TBusyCursor
{
public:
    TBusyCursor() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
    ~TBusyCursor() { QGuiApplication::restoreOverrideCursor(); }
    TBusyCursor(const TBusyCursor &) = delete;
    TBusyCursor &operator=(const TBusyCursor &) = delete;
};

} // namespace

TMultiEditor::TMultiEditor(QWidget *owner) : TMultiPanel(owner)
{
    // Before the first text control exists, so a screen reader asking for
    // it already gets the byte-offset interface.
    TXMemoAccessible::Install();
    SetFilter(QStringLiteral("Textdateien (*.TXT)|*.TXT|Alle Dateien(*.*)|*.*"));
    SetLoadTitle(QStringLiteral("Lade Textdatei..."));
    SetDefaultExt(QStringLiteral("TXT"));
    m_diskWatcher = new TDiskWatcher(this, m_files, [this] { return CurrentFile(); });
    connect(m_tabRow, &QTabBar::currentChanged, m_diskWatcher, &TDiskWatcher::CheckCurrentSoon);
}

QString TMultiEditor::CleanFileName(const QString &name)
{
    return filenames::CleanFileName(name, [](const QString &given) { return QFileInfo::exists(given); });
}

TXMemo *TMultiEditor::ControlAt(int index) const
{
    if (index < 0 || index >= m_files.Count())
        return nullptr;
    return m_files.Control(index);
}

void TMultiEditor::OpenFile(const QString &name)
{
    const TBusyCursor busy;
    const QString fullName = CleanFileName(name);
    if (fullName.isEmpty())
        return; // only malformed input (an argument of quotes) gets here
    const bool untitled = filenames::IsUntitledName(fullName);

    TOpenFile *current = CurrentFile();
    const bool reuse =
        current && current != m_heldFile && current->Control()->TextLength() == 0 && current->Untitled() && !untitled;
    TOpenFile *file = reuse ? current : NewTab(fullName, untitled);
    TXMemo *control = file->Control();

    if (!untitled) {
        const diskidentity::TDiskIdentity onDisk = diskidentity::Stat(fullName);
        try {
            LoadTextFile(control, fullName);
            control->SetLoadFailed(false);
        } catch (const TFileTooLarge &error) {
            control->SetLoadFailed(true);
            errordisplay::Show(error.Message());
        } catch (const TEditorError &) {
            // Loading errors are not reported; the tab keeps what it holds.
            // Saving over a file that exists but could not be read asks first.
            control->SetLoadFailed(QFileInfo::exists(fullName));
        }
        TDiskWatcher::Remember(file, fullName, onDisk);
    }

    if (reuse) {
        file->SetFileName(fullName, false);
        control->SetModified(false);
        emit OnActualize(nullptr);
        return;
    }
    Configure(control);
    m_files.Add(file);
    emit OnActualize(nullptr);
}

TOpenFile *TMultiEditor::OpenRecovered(const QString &fullName, bool untitled, const QByteArray &bytes,
                                       encoding::TEncoding encoding)
{
    const TBusyCursor busy;
    TOpenFile *file = NewTab(fullName, untitled);
    TXMemo *control = file->Control();
    Configure(control);
    m_files.Add(file);
    try {
        control->SetText(bytes);
    } catch (const std::bad_alloc &) {
        ClosePage(m_files.IndexOf(file));
        return nullptr;
    }
    // Shown as it was, even where the bytes alone would say otherwise
    // (UTF-8 bytes the user chose to see as Windows-1252).
    control->SetEncoding(encoding);
    control->SetModified(true);
    emit OnActualize(nullptr);
    return file;
}

TOpenFile *TMultiEditor::NewTab(const QString &fullName, bool untitled)
{
    auto *control = new TXMemo(this);
    control->hide();
    auto *file = new TOpenFile(control, m_tabRow, this);
    ShowPageArea(true);
    // With no file open the spare page is taken over.
    TPage *page = m_tabRow->count() == PageCount() ? AppendPage() : Page(0);
    page->SetControl(control);
    {
        const QSignalBlocker block(m_tabRow);
        m_tabRow->AddFile(file);
    }
    const int last = m_tabRow->count() - 1;
    if (m_tabRow->currentIndex() != last) {
        m_tabRow->RequestIndex(last);
    } else {
        bool allow = true;
        TabSetChange(m_tabRow, last, allow);
    }
    file->SetFileName(fullName, untitled);
    control->SetPlainText(m_plainText);
    control->SetDefaultEncoding(m_defaultEncoding);
    SetFileIndex(m_tabRow->currentIndex());
    return file;
}

void TMultiEditor::Configure(TXMemo *control)
{
    control->SetHideSelection(false);
    control->SetWantTabs(m_wantTabs);
    control->SetWantReturns(m_wantReturns);
    control->SetWordWrap(m_wordWrap);
    control->SetOverwrite(m_overwrite);
    control->SetScrollBars(m_scrollBars);
    control->SetHelpContext(HelpContext());
    control->SetFontColor(EditorFontColor());
    control->FollowFont(EditorFont());
    BindEvents(control);
    control->SetModified(false);
    if (control->CanFocus())
        control->setFocus();
}

void TMultiEditor::BindEvents(TXMemo *control)
{
    connect(control, &TXMemo::Enter, this, [this](TXMemo *sender) {
        emit OnEnter(this);
        emit OnActualize(sender);
    });
    connect(control, &TXMemo::Exit, this, [this](TXMemo *) { emit OnExit(this); });
    connect(control, &TXMemo::KeyDown, this, [this](TXMemo *sender, int &key, Qt::KeyboardModifiers shift) {
        emit OnKeyDown(this, key, shift);
        errordisplay::RunGuarded([&] { RunShortcuts(sender, key, shift); });
    });
    connect(control, &TXMemo::KeyPress, this, [this](TXMemo *, char &key) { emit OnKeyPress(this, key); });
    connect(control, &TXMemo::KeyUp, this, [this](TXMemo *sender, int &key, Qt::KeyboardModifiers shift) {
        emit OnKeyUp(this, key, shift);
        emit OnActualize(sender);
    });
    connect(control, &TXMemo::MouseDown, this, [this](TXMemo *, QMouseEvent *e) { emit OnMouseDown(this, e); });
    connect(control, &TXMemo::MouseMove, this, [this](TXMemo *, QMouseEvent *e) { emit OnMouseMove(this, e); });
    connect(control, &TXMemo::MouseUp, this, [this](TXMemo *sender, QMouseEvent *e) {
        emit OnMouseUp(this, e);
        emit OnActualize(sender);
    });
    connect(control, &TXMemo::Change, this, [this](TXMemo *sender) {
        emit OnChange(this);
        emit OnActualize(sender);
    });
    connect(control, &TXMemo::SelectionChange, this, [this](TXMemo *sender) {
        emit OnSelectionChange(this);
        emit OnActualize(sender);
    });
    connect(control, &TXMemo::DragDrop, this, [this](TXMemo *, QDropEvent *e) { emit OnDragDrop(this, e); });
    connect(control, &TXMemo::DragOver, this, [this](TXMemo *, QDragMoveEvent *e) { emit OnDragOver(this, e); });
    connect(control, &TXMemo::EndDrag, this, [this](TXMemo *) { emit OnEndDrag(this); });
    connect(control, &TXMemo::StartDrag, this, [this](TXMemo *) { emit OnStartDrag(this); });
}

bool TMultiEditor::SaveFileAt(int index)
{
    const QPointer<TOpenFile> file = index >= 0 && index < m_files.Count() ? m_files.At(index) : nullptr;
    if (!file)
        return false;
    const QString name = file->FileName();
    if (file->Control()->LoadFailed() && QFileInfo(name).isFile()) {
        const QString question =
            QStringLiteral("Datei %1 konnte nicht gelesen werden. Trotzdem überschreiben ?").arg(name);
        if (!dialogs::AskYesNo(this, QStringLiteral("Warnung"), question, dialogs::TKind::Warning))
            return false;
    }
    // Files may have been closed while the question was open: only this
    // file's text goes under its name.
    const int now = m_files.IndexOf(file);
    return now >= 0 && SaveFileAs(now, name);
}

bool TMultiEditor::SaveFileAs(int index, const QString &name)
{
    const QPointer<TOpenFile> file = index >= 0 && index < m_files.Count() ? m_files.At(index) : nullptr;
    if (!file)
        return false;
    if (!file->Untitled() && name == file->FileName() && (!m_diskWatcher->MayOverwrite(file) || !file))
        return false;
    TXMemo *control = file->Control();
    try {
        SaveTextFile(control, name);
    } catch (const TEditorError &error) {
        errordisplay::Show(error.Message());
        return false;
    }
    // Our own save is no change by another program.
    TDiskWatcher::Remember(file, name, diskidentity::Stat(name));
    control->SetModified(false);
    control->SetLoadFailed(false);
    return true;
}

void TMultiEditor::PrintFile(int index)
{
    TXMemo *control = ControlAt(index);
    if (!control)
        return;
    control->LeftMargin = LeftMargin;
    control->TopMargin = TopMargin;
    control->BottomMargin = BottomMargin;
    if (PrintSelectionOnly)
        control->PrintSelection();
    else
        control->PrintText();
}

namespace {

// The search step: from the selection, selecting the match.
bool SearchStep(TXMemo *control, const QByteArray &pattern, TFindOptions options)
{
    const qint64 length = control->TextLength();
    if (pattern.isEmpty() || length == 0)
        return false;
    const TSearchResult found = SearchBuffer(control->CharacterPointer(), length, control->SelStart(),
                                             control->SelLength(), pattern, options, control->Encoding());
    if (!found.Found())
        return false;
    control->Select(found.position, found.length);
    return true;
}

// Why `text` cannot go into a file in `textEncoding`, as the end of a
// message; empty when it can, and then `bytes` holds it.
QString Unholdable(const QString &text, encoding::TEncoding textEncoding, QByteArray &bytes)
{
    encodedtext::TUnholdable missing;
    if (encodedtext::TryFromQString(text, textEncoding, bytes, &missing))
        return QString();
    const QString where =
        textEncoding == encoding::TEncoding::Utf8 ? QStringLiteral("UTF-8") : QStringLiteral("Windows-1252");
    return QStringLiteral(": %1 ist in %2 nicht darstellbar.").arg(encodedtext::Describe(missing.character), where);
}

// Replace all: the selection when it is an occurrence, then every further
// one. They are looked for in the text as it is once the selection is
// replaced: upwards the search starts behind what was just inserted and
// may run into it, as replacing one at a time would.
void ReplaceEverywhere(TXMemo *control, const QByteArray &pattern, const QByteArray &replacement,
                       TFindOptions options, bool selectionMatches)
{
    const bool down = HasFindOption(options, frDown);
    const qint64 length = control->TextLength();
    // In a large text the window shows how far the search, and then the
    // replacing, have come.
    TLongWork progress(control, QStringLiteral("Ersetzen"), 2 * length, false);
    qint64 first = -1;
    control->ReplaceOccurrences(selectionMatches, pattern.size(), replacement, [&] {
        std::vector<qint64> positions = ReplaceAllMatches(
            control->CharacterPointer(), control->TextLength(), control->SelStart(), control->SelLength(), pattern,
            options, control->Encoding(), [&progress](qint64 at) { progress.Step(at); },
            [&progress](const std::function<void()> &step) { progress.Aside(step); });
        // Upwards they were found from the last to the first.
        if (!down)
            progress.Aside([&] { std::reverse(positions.begin(), positions.end()); });
        first = positions.empty() ? -1 : positions.front();
        progress.SetOffset(length);
        return positions;
    });
    // Upwards the caret ends in front of the first replacement.
    if (!down && first >= 0)
        control->Select(first, 0);
}

} // namespace

void TMultiEditor::SearchNext()
{
    TXMemo *control = CurrentControl();
    if (!control)
        return;
    const encoding::TEncoding textEncoding = control->Encoding();
    const bool replaceAll = HasFindOption(FindOptions, frReplaceAll);
    const bool replacing = replaceAll || HasFindOption(FindOptions, frReplace);
    // A character the file cannot hold cannot be in it, and must not turn
    // into another one: the user is told instead of searching or replacing.
    QByteArray pattern;
    QString refusal = Unholdable(FindText, textEncoding, pattern);
    if (!refusal.isEmpty())
        refusal.prepend(QStringLiteral("Kann \"") + FindText + QStringLiteral("\" nicht finden"));
    QByteArray replacement;
    if (refusal.isEmpty() && replacing) {
        refusal = Unholdable(ReplaceText, textEncoding, replacement);
        if (!refusal.isEmpty())
            refusal.prepend(QStringLiteral("Kann nicht durch \"") + ReplaceText + QStringLiteral("\" ersetzen"));
    }
    if (!refusal.isEmpty()) {
        dialogs::ShowMessage(this, apptitle::Title(), refusal, dialogs::TKind::Information);
        return;
    }

    const bool selectionMatches =
        replacing
        && encodedtext::ToQString(control->SelText(), textEncoding).compare(FindText, Qt::CaseInsensitive) == 0;
    if (replaceAll && !pattern.isEmpty()) {
        ReplaceEverywhere(control, pattern, replacement, FindOptions, selectionMatches);
        return;
    }
    if (selectionMatches)
        control->SetSelText(replacement);
    if (replaceAll)
        return;
    if (!SearchStep(control, pattern, FindOptions)) {
        dialogs::ShowMessage(this, apptitle::Title(),
                             QStringLiteral("Kann \"") + FindText + QStringLiteral("\" nicht finden."),
                             dialogs::TKind::Information);
    }
}

void TMultiEditor::ShowFindDialog(TFindDialog *dialog)
{
    TXMemo *control = CurrentControl();
    if (!control)
        return;
    if (control->SelLength() > 0)
        dialog->SetFindText(encodedtext::ToQString(control->SelText(), control->Encoding()));
    DialogUsed = true;
    dialog->Execute();
}

void TMultiEditor::FindClick(QObject *sender)
{
    emit OnFindClick(sender);
    ShowFindDialog(FindDialog());
}

void TMultiEditor::ReplaceClick(QObject *sender)
{
    emit OnReplaceClick(sender);
    ShowFindDialog(ReplaceDialog());
}

void TMultiEditor::GotoClick(QObject *sender)
{
    emit OnGotoClick(sender);
    const QPointer<TOpenFile> file = CurrentFile();
    if (!file)
        return;
    std::optional<QString> entry;
    {
        const QPointer<TOpenFile> held = std::exchange(m_heldFile, file);
        entry = TLineDlg::Ask(this, QString::number(CaretLine(file->Control())));
        m_heldFile = held;
    }
    // The line goes to the file it was asked for, and nowhere once that is closed.
    if (!entry || !file || !file->Control())
        return;
    const std::optional<qint32> line = inttext::StrToInt(*entry);
    if (!line)
        return;
    GoToLine(file->Control(), *line);
    emit OnEnter(this);
    emit OnActualize(sender);
}

void TMultiEditor::RunShortcuts(TXMemo *control, int &key, Qt::KeyboardModifiers shift)
{
    const bool ctrl = shift & Qt::ControlModifier;
    const bool alt = shift & Qt::AltModifier;
    const bool withShift = shift & Qt::ShiftModifier;
    if (key == 0)
        return;
    if (key == Qt::Key_F3 && !ctrl && !alt && !withShift && QGuiApplication::mouseButtons() == Qt::NoButton) {
        if (!FindText.isEmpty())
            SearchNext();
        else
            FindClick(control);
        return;
    }
    if (key == Qt::Key_F4 && ctrl) {
        // The control is inside its own key event: close it once that is over.
        QMetaObject::invokeMethod(
            this,
            [this, control] {
                errordisplay::RunGuarded([&] { CloseFileClick(control); });
                if (TXMemo *current = CurrentControl())
                    current->setFocus();
            },
            Qt::QueuedConnection);
        key = 0;
        return;
    }
    if (ctrl && !alt && keystate::IsKeyOfTwo(control->NativeScanCode(), key)) {
        // „ and ”, the Windows-1252 bytes 0x84 and 0x94, in the file's
        // encoding; the key then goes on to the control.
        control->SetSelText(encodedtext::Cp1252Character(withShift ? 0x94 : 0x84, control->Encoding()));
    }
    if ((key == Qt::Key_Tab || key == Qt::Key_Backtab) && ctrl) {
        const int count = FileCount();
        if (count > 0) {
            const int current = m_tabRow->currentIndex();
            const bool back = withShift || key == Qt::Key_Backtab;
            SelectFile(back ? (current > 0 ? current - 1 : count - 1) : (current + 1) % count);
        }
        key = 0;
        return;
    }
    if (key == Qt::Key_Right && ctrl && alt) {
        JumpToNextBlank(control);
        key = 0;
        return;
    }
    if (key == Qt::Key_Left && ctrl && alt && control->SelStart() > 0) {
        JumpToPreviousBlank(control);
        key = 0;
    }
}

void TMultiEditor::JumpToNextBlank(TXMemo *control)
{
    control->SetSelStart(navigation::NextBlank(control->CharacterPointer(), control->TextLength(), control->SelStart(),
                                               control->SelLength()));
}

void TMultiEditor::JumpToPreviousBlank(TXMemo *control)
{
    control->SetSelStart(
        navigation::PreviousBlank(control->CharacterPointer(), control->TextLength(), control->SelStart()));
}

void TMultiEditor::CloseFileClick(QObject *sender)
{
    if (!PageAreaShown() || m_tabRow->currentIndex() < 0)
        return;
    const QPointer<TOpenFile> file = CurrentFile();
    if (file && file->Control()->Modified()) {
        dialogs::TAnswer answer;
        {
            const QPointer<TOpenFile> held = std::exchange(m_heldFile, file);
            answer = dialogs::AskYesNoCancel(this, QStringLiteral("Warnung"),
                                             QStringLiteral("Datei wurde geändert !\rVor dem Schließen sichern ?"),
                                             dialogs::TKind::Warning);
            m_heldFile = held;
        }
        // A file handed over while the question was open may be in front
        // now: the answer is about the file it was asked for.
        if (answer == dialogs::TAnswer::Cancel || !ShowFile(file))
            return;
        // A cancelled or failed save: closing now would throw the text away.
        if (answer == dialogs::TAnswer::Yes && (!SaveFileClick(sender) || !file))
            return;
    }
    const int index = file ? m_files.IndexOf(file) : m_tabRow->currentIndex();
    if (index >= 0)
        ClosePage(index);
}

void TMultiEditor::Undo()
{
    if (TXMemo *control = CurrentControl())
        control->Undo();
}

void TMultiEditor::UndoClick(QObject *)
{
    Undo();
}

void TMultiEditor::CutClick(QObject *sender)
{
    emit OnCutClick(sender);
    if (TXMemo *control = CurrentControl())
        control->CutToClipboard();
}

void TMultiEditor::CopyClick(QObject *sender)
{
    emit OnCopyClick(sender);
    if (TXMemo *control = CurrentControl())
        control->CopyToClipboard();
}

void TMultiEditor::InsertClick(QObject *sender)
{
    emit OnInsertClick(sender);
    if (TXMemo *control = CurrentControl())
        PastePlainText(control);
}

void TMultiEditor::DeleteClick(QObject *sender)
{
    emit OnDeleteClick(sender);
    if (TXMemo *control = CurrentControl())
        control->ClearSelection();
}

void TMultiEditor::SetHideSelection(bool on)
{
    m_hideSelection = on;
    ForEachControl([&](TXMemo *control) { control->SetHideSelection(on); });
}

void TMultiEditor::SetWantReturns(bool on)
{
    m_wantReturns = on;
    ForEachControl([&](TXMemo *control) { control->SetWantReturns(on); });
}

void TMultiEditor::SetWantTabs(bool on)
{
    m_wantTabs = on;
    ForEachControl([&](TXMemo *control) { control->SetWantTabs(on); });
}

void TMultiEditor::SetWordWrap(bool on)
{
    m_wordWrap = on;
    ForEachControl([&](TXMemo *control) { control->SetWordWrap(on); });
}

void TMultiEditor::SetScrollBars(TScrollStyle style)
{
    m_scrollBars = style;
    ForEachControl([&](TXMemo *control) { control->SetScrollBars(style); });
}

void TMultiEditor::SetPlainText(bool on)
{
    m_plainText = on;
    ForEachControl([&](TXMemo *control) { control->SetPlainText(on); });
}

void TMultiEditor::SetOverwrite(bool on)
{
    m_overwrite = on;
    ForEachControl([&](TXMemo *control) { control->SetOverwrite(on); });
}

void TMultiEditor::SetDefaultEncoding(encoding::TEncoding encoding)
{
    m_defaultEncoding = encoding;
    ForEachControl([&](TXMemo *control) { control->SetDefaultEncoding(encoding); });
}

void TMultiEditor::EditorFontChanged()
{
    ForEachControl([&](TXMemo *control) {
        if (control->ParentFont())
            control->SetFontColor(EditorFontColor());
        control->FollowFont(EditorFont());
    });
}
