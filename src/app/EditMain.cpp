#include "app/EditMain.h"

#include "about/InfoAdd.h"
#include "about/aboutdlg.h"
#include "about/core/AboutText.h"
#include "app/HelpView.h"
#include "app/JustOne.h"
#include "app/core/IniFile.h"
#include "app/core/IniHelp.h"
#include "app/core/Settings.h"
#include "dialogs/FiltForm.h"
#include "dialogs/OthEdit.h"
#include "dialogs/core/ProgramCommand.h"
#include "editor/JournalKeeper.h"
#include "editor/LongWork.h"
#include "editor/MultEdit.h"
#include "platform/AppTitle.h"
#include "platform/Dialogs.h"
#include "platform/ErrorDisplay.h"
#include "platform/KeyState.h"
#include "platform/WindowActivation.h"
#include "platform/core/Cp1252.h"
#include "platform/core/EncodedText.h"
#include "print/PageDlg.h"
#include "print/PrintDialogs.h"
#include "print/PrintPreview.h"
#include "print/Printer.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFontInfo>
#include <QTimer>
#include <QKeyEvent>
#include <QLabel>
#include <QActionGroup>
#include <QLocale>
#include <QMenuBar>
#include <QPrinter>
#include <QPointer>
#include <QScreen>
#include <QStatusTipEvent>
#include <QVBoxLayout>
#include <QWindow>
#include <algorithm>
#include <utility>

namespace {

const QString kUnknown = QStringLiteral("<unbekannt>");

QLabel *MakeLabel(QWidget *parent, const char *name, const QString &caption, const QString &hint)
{
    auto *label = new QLabel(caption, parent);
    label->setObjectName(QLatin1String(name));
    // The hint label shows file names: never as markup.
    label->setTextFormat(Qt::PlainText);
    if (!hint.isEmpty()) {
        label->setStatusTip(hint);
        label->setToolTip(hint);
    }
    return label;
}

// What the status labels hold, as a screen reader says it: by its text alone
// a label would be a bare number.
const QString kRowSpoken = QStringLiteral("Zeile");
const QString kColSpoken = QStringLiteral("Spalte");
const QString kSizeSpoken = QStringLiteral("Größe");
const QString kHintSpoken = QStringLiteral("Hinweis");
const QString kModeSpoken = QStringLiteral("Schreibmodus");
const QString kEncodingSpoken = QStringLiteral("Kodierung");

void SetLabelText(QLabel *label, const QString &spoken, const QString &text)
{
    label->setText(text);
    label->setAccessibleName(spoken + QLatin1Char(' ') + text);
}

// Left edges and widths of the row, column and size labels, and the hint
// label's left edge, as the panel is laid out for short numbers.
constexpr int kNumberLeft[] = {55, 107, 168};
constexpr int kNumberWidth[] = {50, 50, 60};
constexpr int kHintLeft = 192;

// A number label keeps its right edge where a "0" placed at its left edge
// ends and grows to the left as the number grows; a number too long for
// that pushes the labels after it to the right, so that one digit's width
// always separates two numbers.
void PlaceNumbers(QLabel *const (&labels)[3], QLabel *hint)
{
    int previousRight = 0;
    for (int i = 0; i < 3; ++i) {
        QLabel *label = labels[i];
        const QFontMetrics metrics = label->fontMetrics();
        const int digit = metrics.horizontalAdvance(QLatin1Char('0'));
        const int text = metrics.horizontalAdvance(label->text());
        const int right = std::max({kNumberLeft[i] + digit, previousRight + digit + text, text});
        const int width = std::max(kNumberWidth[i], text);
        label->setGeometry(right - width, 4, width, 16);
        label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        previousRight = right;
    }
    const int left = std::max(kHintLeft, previousRight + hint->fontMetrics().horizontalAdvance(QLatin1Char('0')));
    hint->setGeometry(left, 4, std::max(1, hint->sizeHint().width()), 16);
}

// The hand-over item names the other editor as typed: an "&" in the name is
// a character, not a second access key.
QString ExportCaption(const QString &otherEditor)
{
    return QStringLiteral("&Übergeben an ") + QString(otherEditor).replace(QLatin1Char('&'), QLatin1String("&&"));
}

constexpr int kDefaultFontPoints = 10;

// The place moved and shrunk only as far as needed to lie inside `screen`;
// wide arithmetic, since the stored values may be anything up to 2^31 - 1.
QRect FitOnScreen(const QPoint &position, const QSize &size, const QRect &screen)
{
    const int width = std::min(size.width(), screen.width());
    const int height = std::min(size.height(), screen.height());
    const qint64 left = std::clamp<qint64>(position.x(), screen.left(), qint64(screen.left()) + screen.width() - width);
    const qint64 top = std::clamp<qint64>(position.y(), screen.top(), qint64(screen.top()) + screen.height() - height);
    return QRect(int(left), int(top), width, height);
}

} // namespace

TMainForm::TMainForm(QWidget *parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("MainForm"));
    setWindowTitle(QStringLiteral("Quillon"));
    setGeometry(354, 101, 558, 299);
    BuildStatusPanel();
    BuildMenu();
    m_justOne = new TJustOne(this);
    m_justOne->SetActive(false);
    connect(m_justOne, &TJustOne::Received, this, &TMainForm::AnswerHandOver);
    connect(m_justOne, &TJustOne::Committed, this, &TMainForm::OpenHandedOverFiles);
    CreateEditor();
}

TMainForm::~TMainForm() = default;

void TMainForm::CreateEditor()
{
    auto *client = new QWidget(this);
    auto *layout = new QVBoxLayout(client);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    m_editor = new TMultiEditor(client);
    m_editor->setObjectName(QStringLiteral("Editor"));
    layout->addWidget(m_editor, 1);
    layout->addWidget(m_infoPanel);
    setCentralWidget(client);

    // The editor takes the window's font until it is given one of its own.
    m_editor->SetEditorFont(QFont(QStringLiteral("Times New Roman"), kDefaultFontPoints));
    connect(m_editor, &TMultiEditor::OnKeyDown, this, &TMainForm::NoteInsertKeyDown);
    connect(m_editor, &TMultiEditor::OnKeyUp, this, &TMainForm::ToggleInsertModeOnInsertKey);
    connect(m_editor, &TMultiPanel::OnActualize, this, &TMainForm::ShowCurrentFileState);
    m_editor->SetWantTabs(true);
    m_editor->SetWantReturns(true);
    m_editor->SetWordWrap(true);
    m_editor->SetPlainText(true);
    IniFileName = inihelp::GetIniFileName();
    m_editor->SetOverwrite(false);
}

void TMainForm::BuildStatusPanel()
{
    m_infoPanel = new QFrame(this);
    m_infoPanel->setObjectName(QStringLiteral("InfoPanel"));
    m_infoPanel->setFixedHeight(24);
    m_infoPanel->setFont(QFont(QStringLiteral("Times New Roman"), 10));
    static_cast<QFrame *>(m_infoPanel)->setFrameShape(QFrame::StyledPanel);
    m_rowLabel = MakeLabel(m_infoPanel, "RowLabel", QStringLiteral("0"), QStringLiteral("Zeile"));
    m_colLabel = MakeLabel(m_infoPanel, "ColLabel", QStringLiteral("0"), QStringLiteral("Spalte"));
    m_sizeLabel = MakeLabel(m_infoPanel, "SizeLabel", QStringLiteral("0"), QStringLiteral("Dateigröße"));
    m_hintLabel = MakeLabel(m_infoPanel, "HintLabel", QStringLiteral("Information"), QString());
    PlaceNumbers({m_rowLabel, m_colLabel, m_sizeLabel}, m_hintLabel);
    SetLabelText(m_rowLabel, kRowSpoken, m_rowLabel->text());
    SetLabelText(m_colLabel, kColSpoken, m_colLabel->text());
    SetLabelText(m_sizeLabel, kSizeSpoken, m_sizeLabel->text());
    SetLabelText(m_hintLabel, kHintSpoken, m_hintLabel->text());

    auto *keyPanel = new QWidget(m_infoPanel);
    keyPanel->setObjectName(QStringLiteral("KeyPanel"));
    keyPanel->setFixedSize(145, 24);
    m_capsLabel = MakeLabel(keyPanel, "CapsLabel", QStringLiteral("Caps"), QString());
    m_insertLabel = MakeLabel(keyPanel, "InsertLabel", QStringLiteral("Ins"), QString());
    m_numLabel = MakeLabel(keyPanel, "NumLabel", QStringLiteral("Num"), QString());
    m_scrollLabel = MakeLabel(keyPanel, "ScrollLabel", QStringLiteral("Scroll"), QString());
    int x[] = {6, 40, 72, 107};
    QLabel *keys[] = {m_capsLabel, m_insertLabel, m_numLabel, m_scrollLabel};
    // Shown only while its key is on: the name alone says it.
    const QString keyNames[] = {QStringLiteral("Feststelltaste"), kModeSpoken + QStringLiteral(" Einfügen"),
                                QStringLiteral("Num-Taste"), QStringLiteral("Rollen-Taste")};
    for (int i = 0; i < 4; ++i) {
        keys[i]->setAccessibleName(keyNames[i]);
        keys[i]->move(x[i], 4);
        keys[i]->hide();
    }
    m_encodingLabel = MakeLabel(m_infoPanel, "EncodingLabel", QString(), QStringLiteral("Kodierung der Datei"));
    // The key panel keeps to the right edge, the encoding before it, the
    // hint label fills up to them.
    auto *row = new QHBoxLayout(m_infoPanel);
    row->setContentsMargins(0, 0, 0, 0);
    row->addStretch(1);
    row->addWidget(m_encodingLabel);
    row->addWidget(keyPanel);
}

QAction *TMainForm::AddItem(QMenu *menu, const char *name, const QString &caption, const std::function<void()> &action,
                            const QKeySequence &shortcut)
{
    QAction *item = menu->addAction(caption);
    item->setObjectName(QLatin1String(name));
    if (!shortcut.isEmpty())
        item->setShortcut(shortcut);
    if (action)
        connect(item, &QAction::triggered, this, [action] { errordisplay::RunGuarded(action); });
    return item;
}

void TMainForm::BuildMenu()
{
    auto menu = [this](const char *name, const QString &caption, int context) {
        QMenu *m = menuBar()->addMenu(caption);
        m->setObjectName(QLatin1String(name));
        m->menuAction()->setObjectName(QLatin1String(name));
        m->menuAction()->setData(context);
        m->installEventFilter(this);
        return m;
    };

    QMenu *datei = menu("Datei1", QStringLiteral("&Datei"), 100);
    m_newFileAction =
        AddItem(datei, "Neu1", QStringLiteral("&Neu"), [this] { m_editor->NewFileClick(m_newFileAction); });
    datei->addSeparator();
    m_openFileAction =
        AddItem(datei, "Oeffnen", QStringLiteral("Ö&ffnen"), [this] { m_editor->OpenFileClick(m_openFileAction); });
    m_saveFileAction =
        AddItem(datei, "Sichern1", QStringLiteral("&Sichern"), [this] { m_editor->SaveFileClick(m_saveFileAction); });
    m_saveFileAsAction = AddItem(datei, "Sichernunter1", QStringLiteral("Sichern &unter"),
                                 [this] { m_editor->SaveAsFileClick(m_saveFileAsAction); });
    datei->addSeparator();
    m_printAction = AddItem(datei, "Drucken1", QStringLiteral("&Drucken..."), [this] { PrintCurrentFile(); });
    m_previewAction =
        AddItem(datei, "Seitenansicht1", QStringLiteral("Seiten&ansicht..."), [this] { PreviewCurrentFile(); });
    m_previewAction->setStatusTip(QStringLiteral("Zeigt die Seiten so, wie sie gedruckt werden"));
    connect(datei, &QMenu::aboutToShow, this, [this] { m_previewAction->setEnabled(m_editor->FileCount() > 0); });
    m_printerSetupAction =
        AddItem(datei, "Druckereinstellungen1", QStringLiteral("Drucker&einstellungen..."), [this] { SetUpPrinter(); });
    m_pageSetupAction =
        AddItem(datei, "Seiteeinrichten1", QStringLiteral("Sei&te einrichten..."), [this] { SetUpPage(); });
    datei->addSeparator();
    m_closeFileAction = AddItem(datei, "Schliessen", QStringLiteral("Sch&ließen"), [this] { CloseCurrentFile(); });
    datei->addSeparator();
    m_newEditorAction =
        AddItem(datei, "NeuerEditor1", QStringLiteral("Neuer &Editor"), [this] { MoveCurrentFileToNewEditor(); });
    m_handToOtherEditorAction =
        AddItem(datei, "ExportItem", QStringLiteral("&Übergeben"), [this] { HandCurrentFileToOtherEditor(); });
    datei->addSeparator();
    m_quitAction = AddItem(datei, "Beenden1", QStringLiteral("&Beenden"), [this] { close(); });

    QMenu *bearbeiten = menu("Bearbeiten1", QStringLiteral("&Bearbeiten"), 200);
    m_undoAction = AddItem(bearbeiten, "Rueckgaengig", QStringLiteral("&Rückgängig"),
                           [this] { m_editor->UndoClick(m_undoAction); });
    bearbeiten->addSeparator();
    m_copyAction =
        AddItem(bearbeiten, "Kopieren", QStringLiteral("&Kopieren"), [this] { m_editor->CopyClick(m_copyAction); });
    m_cutAction = AddItem(bearbeiten, "Ausschneiden", QStringLiteral("&Ausschneiden"),
                          [this] { m_editor->CutClick(m_cutAction); });
    m_pasteAction = AddItem(
        bearbeiten, "Einfuegen", QStringLiteral("&Einfügen"), [this] { m_editor->InsertClick(m_pasteAction); },
        QKeySequence(Qt::SHIFT | Qt::Key_Insert));
    m_deleteAction =
        AddItem(bearbeiten, "Loeschen", QStringLiteral("&Löschen"), [this] { m_editor->DeleteClick(m_deleteAction); });
    bearbeiten->addSeparator();
    m_insertDateAction = AddItem(bearbeiten, "Datum", QStringLiteral("&Datum"), [this] { InsertDate(); });

    QMenu *suchen = menu("Suchen1", QStringLiteral("&Suchen"), 300);
    m_findAction = AddItem(
        suchen, "Suchen2", QStringLiteral("&Suchen"), [this] { m_editor->FindClick(m_findAction); },
        QKeySequence(Qt::CTRL | Qt::Key_F));
    m_findAgainAction = AddItem(suchen, "Weitersuchen1", QStringLiteral("&Weitersuchen    F3"),
                                [this] { m_editor->FindAgainClick(m_findAgainAction); });
    m_replaceAction = AddItem(
        suchen, "Ersetzen1", QStringLiteral("&Ersetzen"), [this] { m_editor->ReplaceClick(m_replaceAction); },
        QKeySequence(Qt::CTRL | Qt::Key_R));
    suchen->addSeparator();
    m_goToLineAction = AddItem(suchen, "GehezuZeile1", QStringLiteral("Gehe zu &Zeile..."),
                               [this] { m_editor->GotoClick(m_goToLineAction); });

    QMenu *optionen = menu("Optionen1", QStringLiteral("&Optionen"), 400);
    AddItem(optionen, "AktuelleDatei1", QStringLiteral("--Aktuelle Datei--"), {})->setEnabled(false);
    m_fontCurrentFileAction =
        AddItem(optionen, "Schriftart1", QStringLiteral("&Schriftart"), [this] { ChooseFontCurrentFile(); });
    m_wordWrapCurrentFileAction =
        AddItem(optionen, "WordWrap1", QStringLiteral("&Zeilenumbruch"), [this] { ToggleWordWrapCurrentFile(); });
    m_wordWrapCurrentFileAction->setCheckable(true);
    QMenu *kodierung = optionen->addMenu(QStringLiteral("&Kodierung"));
    kodierung->setObjectName(QStringLiteral("Kodierung1"));
    kodierung->menuAction()->setObjectName(QStringLiteral("Kodierung1"));
    kodierung->installEventFilter(this);
    m_showAsWindows1252Action = AddItem(kodierung, "AlsWindows1252", QStringLiteral("Als &Windows-1252 anzeigen"),
                                        [this] { ShowCurrentFileAsWindows1252(); });
    m_showAsUtf8Action =
        AddItem(kodierung, "AlsUTF8", QStringLiteral("Als &UTF-8 anzeigen"), [this] { ShowCurrentFileAsUtf8(); });
    auto *shownAs = new QActionGroup(kodierung);
    for (QAction *item : {m_showAsWindows1252Action, m_showAsUtf8Action}) {
        item->setCheckable(true);
        shownAs->addAction(item);
    }
    kodierung->addSeparator();
    m_convertToWindows1252Action = AddItem(kodierung, "InWindows1252", QStringLiteral("In Windows-&1252 umwandeln"),
                                           [this] { ConvertCurrentFileToWindows1252(); });
    m_convertToUtf8Action =
        AddItem(kodierung, "InUTF8", QStringLiteral("In UTF-&8 umwandeln"), [this] { ConvertCurrentFileToUtf8(); });
    for (QAction *item : kodierung->actions())
        item->setData(400); // F1 on them: the page of the menu they are in
    connect(kodierung, &QMenu::aboutToShow, this, [this] { ShowEncoding(m_editor->CurrentControl()); });
    AddItem(optionen, "AlleDateien1", QStringLiteral("--Alle Dateien--"), {})->setEnabled(false);
    m_fontAllFilesAction =
        AddItem(optionen, "Schriftart2", QStringLiteral("Schrift&art"), [this] { ChooseFontAllFiles(); });
    m_wordWrapAllFilesAction =
        AddItem(optionen, "WordWrap2", QStringLiteral("Zeilen&umbruch"), [this] { ToggleWordWrapAllFiles(); });
    m_wordWrapAllFilesAction->setCheckable(true);
    optionen->addSeparator();
    m_filterAction = AddItem(optionen, "Filter1", QStringLiteral("&Filter..."), [this] { EditFilter(); });
    m_otherEditorAction =
        AddItem(optionen, "AndererEditor1", QStringLiteral("Anderer &Editor..."), [this] { ChooseOtherEditor(); });
    optionen->addSeparator();
    m_takeNewFilesAction = AddItem(optionen, "NeueDateienhier", QStringLiteral("&Neue Dateien aufnehmen"),
                                   [this] { ApplyTakingNewFiles(); });
    m_takeNewFilesAction->setCheckable(true);
    m_takeNewFilesAction->setChecked(true);

    QMenu *hilfe = menu("Hilfe1", QStringLiteral("&Hilfe"), 500);
    m_helpContentsAction = AddItem(
        hilfe, "Hilfe2", QStringLiteral("&Hilfe"), [this] { THelpView::ShowContents(this); }, QKeySequence(Qt::Key_F1));
    m_keysHelpAction =
        AddItem(hilfe, "Tasten1", QStringLiteral("&Tasten"), [this] { THelpView::ShowContext(this, 1000); });
    m_keysHelpAction->setData(1000);
    m_helpOnHelpAction = AddItem(hilfe, "Hilfebenutzen1", QStringLiteral("Hilfe &verwenden"),
                                 [this] { THelpView::ShowHelpOnHelp(this); });
    hilfe->addSeparator();
    m_aboutAction = AddItem(hilfe, "Info1", QStringLiteral("&Info..."), [this] { ShowAbout(); });
}

QAction *TMainForm::Item(const QString &name) const
{
    return menuBar()->findChild<QAction *>(name);
}

bool TMainForm::InsertMode() const
{
    return !m_editor->Overwrite();
}

QLabel *TMainForm::StatusLabel(const QString &name) const
{
    return m_infoPanel->findChild<QLabel *>(name);
}

bool TMainForm::FormShow(const QStringList &arguments, const QString &startDir)
{
    const QString program = QCoreApplication::applicationFilePath();
    const QString raw = cmdline::RawCommandLine(program, arguments);
    const auto exists = [](const QString &name) { return QFileInfo(name).isFile(); };
    RunActions(cmdline::InterpretOwn(raw, program, arguments, startDir, exists), false);
    // A relative settings file name means the start directory, for the
    // existence test, reading and writing alike.
    if (!IniFileName.isEmpty())
        IniFileName = cmdline::Absolute(IniFileName, startDir);

    if (m_editor->FileCount() == 0) {
        IniFileName.clear();
        close();
        return false;
    }
    ReadSettings(IniFileName);
    if (m_editor->WordWrap())
        m_editor->SetScrollBars(TScrollStyle::ssVertical);
    m_wordWrapAllFilesAction->setChecked(m_editor->WordWrap());
    m_handToOtherEditorAction->setText(ExportCaption(m_editor->OtherEditor()));
    for (QAction *top : menuBar()->actions()) {
        if (!top->menu())
            continue;
        const int context = top->data().toInt();
        for (QAction *item : top->menu()->actions())
            item->setData(context);
    }
    return true;
}

void TMainForm::StartJournal(const QString &stateFolder)
{
    QString error;
    auto folder = journal::TFolder::CreateOwn(stateFolder, error);
    m_journal = new TJournalKeeper(m_editor, std::move(folder), error);
    const int count = m_journal->AdoptOrphans(stateFolder);
    if (count == 0)
        return;
    const QString text = QStringLiteral("Quillon 32 wurde nicht ordnungsgemäß beendet. Sollen die ungesicherten "
                                        "Änderungen an %1 Datei(en) wiederhergestellt werden ?")
                             .arg(count);
    if (!dialogs::AskYesNo(this, QStringLiteral("Wiederherstellung"), text, dialogs::TKind::Question))
        return;
    const QStringList failed = m_journal->RestoreOrphans();
    if (!failed.isEmpty()) {
        dialogs::ShowMessage(this, QStringLiteral("Wiederherstellung"),
                             QStringLiteral("Nicht wiederherzustellen (die Datei wurde inzwischen geändert, oder die "
                                            "Wiederherstellungsdaten sind beschädigt):\n")
                                 + failed.join(QLatin1Char('\n')),
                             dialogs::TKind::Warning);
    }
}

void TMainForm::EndJournal()
{
    if (m_journal)
        m_journal->Finish();
}

void TMainForm::EndWithoutQuestions()
{
    if (m_journal)
        m_journal->KeepAllNow();
    m_closing = true;
    // A settings file not made yet would be a question: left for a close.
    if (!IniFileName.isEmpty() && !IniFileIsNew)
        WriteSettings(IniFileName);
}

void TMainForm::ProcessCommandString(const QStringList &arguments, const QString &senderDir)
{
    const QString program = QCoreApplication::applicationFilePath();
    const auto exists = [](const QString &name) { return QFileInfo(name).isFile(); };
    RunActions(cmdline::InterpretHandedOver(arguments, program, senderDir, exists), true);
}

void TMainForm::RunActions(const QList<cmdline::TAction> &actions, bool handedOver)
{
    for (const cmdline::TAction &action : actions) {
        errordisplay::RunGuarded([&] {
            switch (action.kind) {
            case cmdline::TAction::Open: m_editor->OpenFile(action.name); break;
            case cmdline::TAction::Print:
                m_editor->OpenFile(action.name);
                if (handedOver)
                    printing::ThePrinter().setDocName(action.name);
                m_editor->PrintFile(m_editor->FileIndex());
                break;
            case cmdline::TAction::Oem: {
                m_editor->OpenFile(kUnknown);
                try {
                    LoadTextFile(m_editor->ControlAt(m_editor->FileCount() - 1),
                                 TMultiEditor::CleanFileName(action.name));
                } catch (const std::exception &) {
                    // The placeholder tab stays empty, as for any unreadable file.
                }
                break;
            }
            case cmdline::TAction::IniFile:
                if (!handedOver)
                    IniFileName = action.name;
                break;
            case cmdline::TAction::Unreachable:
                // Qt passes names to the system as UTF-8 only: a tab for it
                // would load and save another file.
                errordisplay::Show(QStringLiteral("Die Datei \"") + cmdline::Shown(action.name)
                                   + QStringLiteral("\" kann nicht geöffnet werden: ihr Name ist kein gültiger "
                                                    "UTF-8-Text."));
                break;
            case cmdline::TAction::UnreachableIni:
                if (handedOver)
                    break;
                IniFileName.clear();
                errordisplay::Show(QStringLiteral("Die Ini-Datei \"") + cmdline::Shown(action.name)
                                   + QStringLiteral("\" kann nicht verwendet werden: ihr Name ist kein gültiger "
                                                    "UTF-8-Text. Die Einstellungen werden nicht gelesen und nicht "
                                                    "gespeichert."));
                break;
            }
        });
    }
}

namespace {

// Colours are stored as 32-bit values with red in the low byte.
qint32 ColorValue(const QColor &color)
{
    return qint32(color.red() | (color.green() << 8) | (color.blue() << 16));
}

QColor ColorFromValue(qint32 value)
{
    return QColor(value & 0xFF, (value >> 8) & 0xFF, (value >> 16) & 0xFF);
}

} // namespace

void TMainForm::ReadSettings(const QString &iniFileName)
{
    if (iniFileName.isEmpty())
        return; // no settings file for this run
    IniFileIsNew = !QFileInfo::exists(iniFileName);
    if (IniFileIsNew) {
        // Created empty at once: a settings file that cannot be written
        // should be known now, not when the window closes.
        QFile probe(iniFileName);
        if (!probe.open(QIODevice::WriteOnly)) {
            const QString text =
                (QStringLiteral("Ini-Datei ") + iniFileName + QStringLiteral(" kann nicht geschrieben werden!"))
                    .left(255);
            dialogs::ShowMessage(this, QStringLiteral("Fehler"), text, dialogs::TKind::Warning);
        }
        // The options keep their defaults, and taking new files is on by
        // default: the very first start takes later starts' files too.
        ApplyTakingNewFiles();
        return;
    }
    TIniFile ini(iniFileName);
    ini.Load();
    settings::TSettings stored;
    stored.otherEditor = m_editor->OtherEditor();
    stored.Read(ini);
    ApplySettings(stored);
}

void TMainForm::ApplySettings(const settings::TSettings &stored)
{
    ApplyWindowPlace(stored);
    ApplyFont(stored.font);
    m_editor->SetDragAccept(stored.dragAccept);
    m_editor->SetWordWrap(stored.wordWrap);
    m_editor->SetOtherEditor(stored.otherEditor);
    m_takeNewFilesAction->setChecked(stored.newFiles);
    m_justOne->SetActive(m_takeNewFilesAction->isChecked());
    m_editor->SetFilter(stored.filter);
    m_editor->SetDefaultEncoding(stored.defaultEncoding);
    m_editor->LeftMargin = stored.leftMargin;
    m_editor->RightMargin = stored.rightMargin;
    m_editor->TopMargin = stored.topMargin;
    m_editor->BottomMargin = stored.bottomMargin;
}

void TMainForm::ApplyWindowPlace(const settings::TSettings &stored)
{
    QPoint position = pos();
    if (stored.left != settings::kNoPosition)
        position.setX(stored.left);
    if (stored.top != settings::kNoPosition)
        position.setY(stored.top);
    QSize size = this->size();
    if (stored.width > 0)
        size.setWidth(stored.width);
    if (stored.height > 0)
        size.setHeight(stored.height);
    // Stored places come from another screen, or from anyone: the window
    // keeps them where they fit and is pulled onto the screen where not.
    QScreen *screen = QGuiApplication::screenAt(position);
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (screen) {
        const QRect place = FitOnScreen(position, size, screen->availableGeometry());
        move(place.topLeft());
        resize(place.size());
    } else {
        move(position);
        resize(size);
    }
}

void TMainForm::ApplyFont(const settings::TFontSettings &stored)
{
    QFont font = m_editor->EditorFont();
    if (!stored.name.isEmpty())
        font.setFamily(stored.name);
    if (stored.height != 0)
        font.setPixelSize(int(std::abs(qint64(stored.height))));
    if (stored.size != 0)
        font.setPointSize(stored.size);
    if (stored.color != 0)
        m_editor->SetEditorFontColor(ColorFromValue(stored.color));
    if (stored.bold)
        font.setBold(true);
    if (stored.italic)
        font.setItalic(true);
    if (stored.underline)
        font.setUnderline(true);
    if (stored.strikeOut)
        font.setStrikeOut(true);
    if (stored.pitch != 0)
        font.setFixedPitch(stored.pitch == 2);
    m_editor->SetEditorFont(font);
}

settings::TSettings TMainForm::CurrentSettings() const
{
    settings::TSettings current;
    current.left = x();
    current.top = y();
    current.width = width();
    current.height = height();
    const QFont font = m_editor->EditorFont();
    current.font.name = font.family();
    const QFontInfo shown(font);
    const bool sane = shown.pixelSize() >= settings::kMinFontPixels && shown.pixelSize() <= settings::kMaxFontPixels
                      && shown.pointSizeF() >= settings::kMinFontPoints
                      && shown.pointSizeF() <= settings::kMaxFontPoints;
    // Never a size the next start would throw away: the default instead.
    const QFontInfo written(sane ? font : QFont(font.family(), kDefaultFontPoints));
    current.font.height = -written.pixelSize();
    current.font.size = qRound(written.pointSizeF());
    current.font.color = ColorValue(m_editor->EditorFontColor());
    current.font.bold = font.bold();
    current.font.italic = font.italic();
    current.font.underline = font.underline();
    current.font.strikeOut = font.strikeOut();
    current.font.pitch = font.fixedPitch() ? 2 : 0;
    current.dragAccept = m_editor->DragAccept();
    current.wordWrap = m_editor->WordWrap();
    current.otherEditor = m_editor->OtherEditor();
    current.newFiles = m_takeNewFilesAction->isChecked();
    current.filter = m_editor->Filter();
    current.defaultEncoding = m_editor->DefaultEncoding();
    current.leftMargin = m_editor->LeftMargin;
    current.rightMargin = m_editor->RightMargin;
    current.topMargin = m_editor->TopMargin;
    current.bottomMargin = m_editor->BottomMargin;
    return current;
}

void TMainForm::WriteSettings(const QString &iniFileName)
{
    TIniFile ini(iniFileName);
    ini.Load();
    CurrentSettings().Write(ini);
    // A failure leaves the old file intact (or, rarely, a copy of it).
    textfile::TSaveResult result = textfile::TSaveResult::Ok;
    QString keptCopy;
    if (!ini.Save(&result, &keptCopy)) {
        QString text = QStringLiteral("Ini-Datei konnte nicht geschrieben werden !");
        // Why, where it is more than a failing disk: no file of its own there
        // is replaced, and where the old content stays.
        if (result == textfile::TSaveResult::NotRegular || !keptCopy.isEmpty())
            text += QLatin1Char('\n') + textfile::SaveErrorMessage(result, iniFileName, keptCopy);
        dialogs::ShowMessage(this, QStringLiteral("Fehler"), text, dialogs::TKind::Warning);
    }
}

void TMainForm::closeEvent(QCloseEvent *event)
{
    if (m_closing || CloseFilesAndWriteSettings()) {
        m_closing = true;
        event->accept();
    } else {
        event->ignore();
    }
}

bool TMainForm::CloseFilesAndWriteSettings()
{
    const int n = m_editor->FileCount();
    for (int k = 0; k < n; ++k) {
        const int count = m_editor->FileCount();
        m_editor->SelectFile(k);
        errordisplay::RunGuarded([&] { m_editor->CloseFileClick(this); });
        if (m_editor->FileCount() >= count)
            return false;
    }
    if (IniFileName.isEmpty())
        return true;
    if (IniFileIsNew) {
        const QString text = QStringLiteral("Soll eine neue Ini-Datei unter\r\n") + IniFileName
                             + QStringLiteral("\r\nangelegt werden ?");
        switch (dialogs::AskYesNoCancel(this, QStringLiteral("Bestätigen"), text, dialogs::TKind::Question)) {
        case dialogs::TAnswer::Yes: WriteSettings(IniFileName); return true;
        case dialogs::TAnswer::No: return true;
        case dialogs::TAnswer::Cancel: return false;
        }
    }
    WriteSettings(IniFileName);
    return true;
}

bool TMainForm::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent *>(event)->key() == Qt::Key_F1) {
        if (auto *menu = qobject_cast<QMenu *>(watched)) {
            // F1 in an open menu: the topic of the item under the mouse.
            QAction *active = menu->activeAction();
            const int context = active ? active->data().toInt() : menu->menuAction()->data().toInt();
            THelpView::ShowContext(this, context);
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

bool TMainForm::event(QEvent *event)
{
    // Hints of the control under the mouse arrive as status tips.
    if (event->type() == QEvent::StatusTip) {
        ShowHint(static_cast<QStatusTipEvent *>(event)->tip());
        return true;
    }
    return QMainWindow::event(event);
}

void TMainForm::ShowHint(const QString &hint)
{
    SetLabelText(m_hintLabel, kHintSpoken, hint);
    PlaceNumbers({m_rowLabel, m_colLabel, m_sizeLabel}, m_hintLabel);
}

void TMainForm::UpdateKeyLabels(bool show)
{
    const std::pair<QLabel *, keystate::TLock> locks[] = {{m_numLabel, keystate::TLock::Num},
                                                          {m_capsLabel, keystate::TLock::Caps},
                                                          {m_scrollLabel, keystate::TLock::Scroll}};
    for (const auto &[label, lock] : locks)
        label->setVisible(show && keystate::IsOn(lock).value_or(false));
    m_insertLabel->setVisible(show);
}

void TMainForm::UpdateInsertLabel()
{
    const bool insert = InsertMode();
    m_insertLabel->setText(insert ? QStringLiteral("Ins") : QStringLiteral("Over"));
    m_insertLabel->setAccessibleName(kModeSpoken
                                     + (insert ? QStringLiteral(" Einfügen") : QStringLiteral(" Überschreiben")));
    m_insertLabel->setStyleSheet(insert ? QString() : QStringLiteral("color: red;"));
    m_insertLabel->adjustSize();
}

void TMainForm::ShowCurrentFileState(QObject *)
{
    UpdateKeyLabels(true);
    TXMemo *memo = m_editor->CurrentControl();
    if (!memo)
        return;
    SetLabelText(m_colLabel, kColSpoken, QString::number(CaretColumn(memo)));
    SetLabelText(m_rowLabel, kRowSpoken, QString::number(CaretLine(memo)));
    SetLabelText(m_sizeLabel, kSizeSpoken, QString::number(memo->TextLength()));
    PlaceNumbers({m_rowLabel, m_colLabel, m_sizeLabel}, m_hintLabel);
    m_wordWrapCurrentFileAction->setChecked(memo->WordWrap());
    ShowEncoding(memo);

    // Linux names may hold " : " themselves; the title's own separator is
    // the last one, or the caption would grow with every update.
    QString base = apptitle::Title();
    const int separator = base.lastIndexOf(QLatin1String(" : "));
    if (separator >= 0)
        base.remove(0, separator + 3);
    const QString title = m_editor->ControlList().Name(m_editor->FileIndex()) + QStringLiteral(" : ") + base;
    if (title != apptitle::Title())
        apptitle::SetTitle(title);
    setWindowTitle(apptitle::WindowCaption(apptitle::Title()));
}

void TMainForm::NoteInsertKeyDown(QObject *, int &key, Qt::KeyboardModifiers shift)
{
    if (key == Qt::Key_Insert)
        m_plainInsertDown = !(shift & (Qt::ControlModifier | Qt::ShiftModifier));
}

void TMainForm::ToggleInsertModeOnInsertKey(QObject *, int &key, Qt::KeyboardModifiers shift)
{
    if (key != Qt::Key_Insert)
        return;
    // Ctrl or Shift let go before the Insert key leave a bare release, and
    // Shift+Insert goes down as the menu's paste: the press decides.
    const bool plain = m_plainInsertDown && !(shift & (Qt::ControlModifier | Qt::ShiftModifier));
    m_plainInsertDown = false;
    if (plain) {
        m_editor->SetOverwrite(!m_editor->Overwrite());
        UpdateInsertLabel();
    }
}

void TMainForm::ShowAbout()
{
    TAboutBox box(this);
    box.ProductName->setText(abouttext::ProductNameFromTitle(apptitle::Title()));
    TAboutBox::SetCaption(box.MailLabel, TAboutBox::SupportMailAddress());
    box.ShowIniFile(IniFileName);
    box.AddInfoPages(AuthorMessage());
    dialogs::User().Exec(box);
}

void TMainForm::InsertDate()
{
    TXMemo *memo = m_editor->CurrentControl();
    if (!memo)
        return;
    const QDateTime now = QDateTime::currentDateTime();
    const QLocale locale = QLocale::system();
    QString text = locale.toString(now.date(), QLocale::ShortFormat);
    if (now.time() != QTime(0, 0, 0))
        text += QLatin1Char(' ') + locale.toString(now.time(), QLocale::LongFormat);
    memo->SetSelText(memo->BytesFor(text));
}

void TMainForm::ShowEncoding(const TXMemo *memo)
{
    const bool any = memo != nullptr;
    const encoding::TEncoding shown = any ? memo->Encoding() : m_editor->DefaultEncoding();
    SetLabelText(m_encodingLabel, kEncodingSpoken, encoding::Name(shown));
    m_showAsWindows1252Action->setChecked(shown == encoding::TEncoding::Cp1252);
    m_showAsUtf8Action->setChecked(shown == encoding::TEncoding::Utf8);
    for (QAction *item : {m_showAsWindows1252Action, m_showAsUtf8Action})
        item->setEnabled(any);
    m_convertToWindows1252Action->setEnabled(any && shown != encoding::TEncoding::Cp1252);
    m_convertToUtf8Action->setEnabled(any && shown != encoding::TEncoding::Utf8);
}

void TMainForm::ShowCurrentFileAsWindows1252()
{
    if (TXMemo *memo = m_editor->CurrentControl())
        memo->SetEncoding(encoding::TEncoding::Cp1252);
    ShowCurrentFileState(nullptr);
}

void TMainForm::ShowCurrentFileAsUtf8()
{
    TXMemo *memo = m_editor->CurrentControl();
    if (!memo)
        return;
    if (memo->Encoding() != encoding::TEncoding::Utf8
        && !encoding::IsUtf8(memo->CharacterPointer(), std::size_t(memo->TextLength()))) {
        dialogs::ShowMessage(this, apptitle::Title(),
                             QStringLiteral("Die Datei ist kein gültiger UTF-8-Text und kann nicht als UTF-8 "
                                            "angezeigt werden."),
                             dialogs::TKind::Information);
    } else {
        memo->SetEncoding(encoding::TEncoding::Utf8);
    }
    ShowCurrentFileState(nullptr);
}

void TMainForm::ConvertCurrentFileToWindows1252()
{
    TXMemo *memo = m_editor->CurrentControl();
    if (!memo)
        return;
    encodedtext::TUnholdable missing;
    if (!memo->ConvertTo(encoding::TEncoding::Cp1252, &missing) && missing.Found()) {
        dialogs::ShowMessage(this, apptitle::Title(),
                             QStringLiteral("Die Datei kann nicht in Windows-1252 umgewandelt werden: das Zeichen "
                                            "%1 in Zeile %2 ist darin nicht darstellbar.")
                                 .arg(encodedtext::Describe(missing.character), QString::number(missing.line)),
                             dialogs::TKind::Information);
    }
    ShowCurrentFileState(nullptr);
}

void TMainForm::ConvertCurrentFileToUtf8()
{
    if (TXMemo *memo = m_editor->CurrentControl())
        memo->ConvertTo(encoding::TEncoding::Utf8);
    ShowCurrentFileState(nullptr);
}

void TMainForm::ChooseFontCurrentFile()
{
    TXMemo *memo = m_editor->CurrentControl();
    if (!memo)
        return;
    QFont font = memo->EditorFont();
    if (dialogs::GetFont(this, font))
        memo->SetEditorFont(font);
}

void TMainForm::ToggleWordWrapCurrentFile()
{
    // The item toggles its check mark itself when chosen.
    QAction *item = m_wordWrapCurrentFileAction;
    TXMemo *memo = m_editor->CurrentControl();
    if (!memo) {
        item->setChecked(!item->isChecked());
        return;
    }
    memo->SetWordWrap(item->isChecked());
    memo->SetScrollBars(item->isChecked() ? TScrollStyle::ssVertical : TScrollStyle::ssBoth);
}

void TMainForm::ChooseFontAllFiles()
{
    m_editor->FontClick(m_fontAllFilesAction);
    for (int i = 0; i < m_editor->FileCount(); ++i) {
        if (TXMemo *memo = m_editor->ControlAt(i))
            memo->ResetFont(m_editor->EditorFont());
    }
}

void TMainForm::ToggleWordWrapAllFiles()
{
    QAction *item = m_wordWrapAllFilesAction;
    const bool wrap = item->isChecked();
    m_editor->SetWordWrap(wrap);
    m_editor->SetScrollBars(wrap ? TScrollStyle::ssVertical : TScrollStyle::ssBoth);
    m_wordWrapCurrentFileAction->setChecked(wrap);
}

void TMainForm::CloseCurrentFile()
{
    m_editor->CloseFileClick(m_closeFileAction);
    UpdateKeyLabels(m_editor->FileCount() > 0);
}

void TMainForm::MoveCurrentFileToNewEditor()
{
    const QPointer<TOpenFile> file = m_editor->CurrentFile();
    if (!file)
        return;
    const TJustOne::TPause pause(m_justOne);
    // Not saved: moving the file would lose the text, so it stays here.
    if (file->Control()->Modified() && (!m_editor->SaveFileClick(m_newEditorAction) || !file))
        return;
    // Another file may have come to the front while the save asked.
    const int index = m_editor->ControlList().IndexOf(file);
    if (index < 0)
        return;
    const QString handed = file->FileName();
    m_editor->ClosePage(index);
    // The copy must not hand the file back to this window, which listens
    // again in a moment; the copy removes the note from its environment.
    qputenv(TJustOne::kOwnInstanceVariable, "1");
    dialogs::User().StartProgram(QCoreApplication::applicationFilePath(), {handed});
    qunsetenv(TJustOne::kOwnInstanceVariable);
}

bool TMainForm::PrintCurrentFile(QWidget *parent, bool selectionFirst)
{
    const bool hasFile = m_editor->FileCount() > 0;
    const TXMemo *current = hasFile ? m_editor->ControlAt(m_editor->FileIndex()) : nullptr;
    const auto choice = printdialogs::AskPrint(parent ? parent : this, printing::ThePrinter(),
                                               current && current->SelLength() > 0, selectionFirst);
    if (!choice || m_editor->FileCount() == 0)
        return false;
    printing::ThePrinter().setDocName(m_editor->TabRow()->Name(m_editor->FileIndex()));
    m_editor->PrintSelectionOnly = choice->Selection;
    for (int copy = 0; copy < choice->Copies; ++copy)
        m_editor->PrintFileClick(m_printAction);
    return true;
}

void TMainForm::PreviewCurrentFile()
{
    if (m_editor->FileCount() == 0)
        return;
    const TXMemo *current = m_editor->ControlAt(m_editor->FileIndex());
    // What the print dialog offers first: the selection when there is one.
    const bool selection = current && current->SelLength() > 0;
    const auto paint = [this, selection] {
        if (m_editor->FileCount() == 0)
            return;
        // The same way as a print, without taking the user's last choice.
        const bool chosen = std::exchange(m_editor->PrintSelectionOnly, selection);
        try {
            m_editor->PrintFile(m_editor->FileIndex());
        } catch (...) {
            m_editor->PrintSelectionOnly = chosen;
            throw;
        }
        m_editor->PrintSelectionOnly = chosen;
    };
    printpreview::Show(this, printing::ThePrinter(), paint,
                       [this, selection](QWidget *preview) { return PrintCurrentFile(preview, selection); });
}

void TMainForm::SetUpPrinter()
{
    printdialogs::SetupPrinter(this, printing::ThePrinter());
}

void TMainForm::SetUpPage()
{
    TPageConfigDlg::Edit(this, m_editor->LeftMargin, m_editor->RightMargin, m_editor->TopMargin,
                         m_editor->BottomMargin);
}

void TMainForm::EditFilter()
{
    QString filter = m_editor->Filter();
    if (TFilterSelDlg::Edit(this, filter))
        m_editor->SetFilter(filter);
}

void TMainForm::ChooseOtherEditor()
{
    QString command = m_editor->OtherEditor();
    if (!TOtherEditorForm::Edit(this, command))
        return;
    m_editor->SetOtherEditor(command);
    m_handToOtherEditorAction->setText(ExportCaption(command));
}

void TMainForm::HandCurrentFileToOtherEditor()
{
    const QPointer<TXMemo> memo = m_editor->CurrentControl();
    if (!memo)
        return;
    // Not saved (cancelled or failed): the text stays here.
    if (memo->Modified() && (!m_editor->SaveFileClick(m_handToOtherEditorAction) || !memo))
        return;
    // Another file may have come to the front while the save asked.
    const int index = m_editor->ControlList().IndexOfControl(memo);
    if (index < 0)
        return;
    const QString name = m_editor->ControlList().Name(index);
    m_editor->ClosePage(index);
    // Started directly, the name as one argument: neither a shell nor the
    // other program may read a blank or a dash in it as more options.
    const programcommand::TCommand command = programcommand::WithFile(m_editor->OtherEditor(), name);
    if (!command.program.isEmpty())
        dialogs::User().StartProgram(command.program, command.arguments);
}

void TMainForm::AnswerHandOver(const handover::TMessage &, bool &accept)
{
    accept = m_takeNewFilesAction->isChecked();
}

void TMainForm::OpenHandedOverFiles(const handover::TMessage &message)
{
    QStringList arguments;
    for (const QByteArray &argument : message.arguments)
        arguments << cmdline::FromLocal(argument);
    const QString senderDir = cmdline::FromLocal(message.workingDir);
    const QByteArray token = handover::IsUsableToken(message.activationToken) ? message.activationToken : QByteArray();
    // Opened from the event loop, after the exchange is over.
    QMetaObject::invokeMethod(
        this,
        [this, arguments, senderDir, token, message] {
            // Not in the middle of long work, such as a large file being
            // opened: the files follow once it is done.
            if (TLongWork::Current()) {
                QTimer::singleShot(100, this, [this, message] { OpenHandedOverFiles(message); });
                return;
            }
            windowactivation::BringToFront(this, token);
            ProcessCommandString(arguments, senderDir);
        },
        Qt::QueuedConnection);
}

void TMainForm::ApplyTakingNewFiles()
{
    QAction *item = m_takeNewFilesAction;
    m_justOne->SetActive(item->isChecked());
}
