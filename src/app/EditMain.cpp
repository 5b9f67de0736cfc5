#include "app/EditMain.h"

#include "about/InfoAdd.h"
#include "about/aboutdlg.h"
#include "about/core/AboutText.h"
#include "app/HelpView.h"
#include "app/JustOne.h"
#include "app/core/IniFile.h"
#include "app/core/IniHelp.h"
#include "dialogs/FiltForm.h"
#include "dialogs/OthEdit.h"
#include "dialogs/core/ProgramCommand.h"
#include "editor/MultEdit.h"
#include "platform/AppTitle.h"
#include "platform/Dialogs.h"
#include "platform/ErrorDisplay.h"
#include "platform/KeyState.h"
#include "platform/core/Cp1252.h"
#include "print/PageDlg.h"
#include "print/PrintDialogs.h"
#include "print/Printer.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFontInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QLocale>
#include <QMenuBar>
#include <QPrinter>
#include <QPointer>
#include <QProcess>
#include <QScreen>
#include <QStatusTipEvent>
#include <QVBoxLayout>
#include <QWindow>
#include <algorithm>

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

// Font sizes the text can be read and drawn in; QFontDialog offers up to 512.
constexpr int kMinFontPoints = 4;
constexpr int kMaxFontPoints = 512;
constexpr int kMinFontPixels = 5;
constexpr int kMaxFontPixels = 683;
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

std::function<bool(const QString &, const QStringList &)> TMainForm::StartProgram =
    [](const QString &program, const QStringList &arguments) { return QProcess::startDetached(program, arguments); };

TMainForm::TMainForm(QWidget *parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("MainForm"));
    setWindowTitle(QStringLiteral("Quillon"));
    setGeometry(354, 101, 558, 299);
    BuildStatusPanel();
    BuildMenu();
    m_justOne = new TJustOne(this);
    m_justOne->SetActive(false);
    connect(m_justOne, &TJustOne::Received, this, &TMainForm::HandOverReceiver);
    connect(m_justOne, &TJustOne::Committed, this, &TMainForm::HandOverCommitted);
    FormCreate();
}

TMainForm::~TMainForm() = default;

void TMainForm::FormCreate()
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
    connect(m_editor, &TMultiEditor::OnKeyPress, this, &TMainForm::EditorKeyPress);
    connect(m_editor, &TMultiEditor::OnKeyDown, this, &TMainForm::EditorKeyDown);
    connect(m_editor, &TMultiEditor::OnKeyUp, this, &TMainForm::EditorKeyUp);
    connect(m_editor, &TMultiPanel::OnActualize, this, &TMainForm::EditorActualize);
    m_editor->SetWantTabs(true);
    m_editor->SetWantReturns(true);
    m_editor->SetWordWrap(true);
    m_editor->SetPlainText(true);
    IniFileName = inihelp::GetIniFileName();
    m_insertMode = true;
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

    auto *keyPanel = new QWidget(m_infoPanel);
    keyPanel->setObjectName(QStringLiteral("KeyPanel"));
    keyPanel->setFixedSize(145, 24);
    m_capsLabel = MakeLabel(keyPanel, "CapsLabel", QStringLiteral("Caps"), QString());
    m_insertLabel = MakeLabel(keyPanel, "InsertLabel", QStringLiteral("Ins"), QString());
    m_numLabel = MakeLabel(keyPanel, "NumLabel", QStringLiteral("Num"), QString());
    m_scrollLabel = MakeLabel(keyPanel, "ScrollLabel", QStringLiteral("Scroll"), QString());
    int x[] = {6, 40, 72, 107};
    QLabel *keys[] = {m_capsLabel, m_insertLabel, m_numLabel, m_scrollLabel};
    for (int i = 0; i < 4; ++i) {
        keys[i]->move(x[i], 4);
        keys[i]->hide();
    }
    // The key panel keeps to the right edge, the hint label fills up to it.
    auto *row = new QHBoxLayout(m_infoPanel);
    row->setContentsMargins(0, 0, 0, 0);
    row->addStretch(1);
    row->addWidget(keyPanel);
}

QAction *TMainForm::AddItem(QMenu *menu, const char *name, const QString &caption,
                            const std::function<void()> &action, const QKeySequence &shortcut)
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
    m_printAction = AddItem(datei, "Drucken1", QStringLiteral("&Drucken..."), [this] { Drucken1Click(); });
    m_printerSetupAction = AddItem(datei, "Druckereinstellungen1", QStringLiteral("Drucker&einstellungen..."),
        [this] { Druckereinstellungen1Click(); });
    m_pageSetupAction = AddItem(
        datei, "Seiteeinrichten1", QStringLiteral("Sei&te einrichten..."), [this] { Seiteeinrichten1Click(); });
    datei->addSeparator();
    m_closeFileAction = AddItem(datei, "Schliessen", QStringLiteral("Sch&ließen"), [this] { SchliessenClick(); });
    datei->addSeparator();
    m_newEditorAction =
        AddItem(datei, "NeuerEditor1", QStringLiteral("Neuer &Editor"), [this] { NeuerEditor1Click(); });
    m_handToOtherEditorAction =
        AddItem(datei, "ExportItem", QStringLiteral("&Übergeben"), [this] { ExportItemClick(); });
    datei->addSeparator();
    m_quitAction = AddItem(datei, "Beenden1", QStringLiteral("&Beenden"), [this] { close(); });

    QMenu *bearbeiten = menu("Bearbeiten1", QStringLiteral("&Bearbeiten"), 200);
    m_undoAction = AddItem(
        bearbeiten, "Rueckgaengig", QStringLiteral("&Rückgängig"), [this] { m_editor->UndoClick(m_undoAction); });
    bearbeiten->addSeparator();
    m_copyAction =
        AddItem(bearbeiten, "Kopieren", QStringLiteral("&Kopieren"), [this] { m_editor->CopyClick(m_copyAction); });
    m_cutAction = AddItem(
        bearbeiten, "Ausschneiden", QStringLiteral("&Ausschneiden"), [this] { m_editor->CutClick(m_cutAction); });
    m_pasteAction = AddItem(
        bearbeiten, "Einfuegen", QStringLiteral("&Einfügen"), [this] { m_editor->InsertClick(m_pasteAction); },
        QKeySequence(Qt::SHIFT | Qt::Key_Insert));
    m_deleteAction = AddItem(
        bearbeiten, "Loeschen", QStringLiteral("&Löschen"), [this] { m_editor->DeleteClick(m_deleteAction); });
    bearbeiten->addSeparator();
    m_insertDateAction = AddItem(bearbeiten, "Datum", QStringLiteral("&Datum"), [this] { DatumClick(); });

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
    m_goToLineAction = AddItem(
        suchen, "GehezuZeile1", QStringLiteral("Gehe zu &Zeile..."), [this] { m_editor->GotoClick(m_goToLineAction); });

    QMenu *optionen = menu("Optionen1", QStringLiteral("&Optionen"), 400);
    AddItem(optionen, "AktuelleDatei1", QStringLiteral("--Aktuelle Datei--"), {})->setEnabled(false);
    m_fontCurrentFileAction =
        AddItem(optionen, "Schriftart1", QStringLiteral("&Schriftart"), [this] { Schriftart1Click(); });
    m_wordWrapCurrentFileAction =
        AddItem(optionen, "WordWrap1", QStringLiteral("&Zeilenumbruch"), [this] { WordWrap1Click(); });
    m_wordWrapCurrentFileAction->setCheckable(true);
    AddItem(optionen, "AlleDateien1", QStringLiteral("--Alle Dateien--"), {})->setEnabled(false);
    m_fontAllFilesAction =
        AddItem(optionen, "Schriftart2", QStringLiteral("Schrift&art"), [this] { Schriftart2Click(); });
    m_wordWrapAllFilesAction =
        AddItem(optionen, "WordWrap2", QStringLiteral("Zeilen&umbruch"), [this] { WordWrap2Click(); });
    m_wordWrapAllFilesAction->setCheckable(true);
    optionen->addSeparator();
    m_filterAction = AddItem(optionen, "Filter1", QStringLiteral("&Filter..."), [this] { Filter1Click(); });
    m_otherEditorAction =
        AddItem(optionen, "AndererEditor1", QStringLiteral("Anderer &Editor..."), [this] { AndererEditor1Click(); });
    optionen->addSeparator();
    m_takeNewFilesAction = AddItem(
        optionen, "NeueDateienhier", QStringLiteral("&Neue Dateien aufnehmen"), [this] { NeueDateienhierClick(); });
    m_takeNewFilesAction->setCheckable(true);
    m_takeNewFilesAction->setChecked(true);

    QMenu *hilfe = menu("Hilfe1", QStringLiteral("&Hilfe"), 500);
    m_helpContentsAction = AddItem(
        hilfe, "Hilfe2", QStringLiteral("&Hilfe"), [this] { THelpView::ShowContents(this); }, QKeySequence(Qt::Key_F1));
    m_keysHelpAction =
        AddItem(hilfe, "Tasten1", QStringLiteral("&Tasten"), [this] { THelpView::ShowContext(this, 1000); });
    m_keysHelpAction->setData(1000);
    m_helpOnHelpAction = AddItem(
        hilfe, "Hilfebenutzen1", QStringLiteral("Hilfe &verwenden"), [this] { THelpView::ShowHelpOnHelp(this); });
    hilfe->addSeparator();
    m_aboutAction = AddItem(hilfe, "Info1", QStringLiteral("&Info..."), [this] { Info1Click(); });
}

QAction* TMainForm::Item(const QString& name) const { return menuBar()->findChild<QAction*>(name); }

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
            case cmdline::TAction::Open:
                m_editor->OpenFile(action.name);
                break;
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

const QString kDefaultFilter = QStringLiteral("Text-Dateien (*.TXT)|*.TXT|Rest (*.*)|*.*");

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
                (QStringLiteral("Ini-Datei ") + iniFileName + QStringLiteral(" kann nicht geschrieben werden!")).left(255);
            dialogs::ShowMessage(this, QStringLiteral("Fehler"), text, dialogs::TKind::Warning);
        }
        return;
    }
    TIniFile ini(iniFileName);
    ini.Load();
    ApplyWindowSettings(ini);
    ApplyFontSettings(ini);
    m_editor->SetDragAccept(ini.ReadBool(QStringLiteral("Options"), QStringLiteral("DragAccept"), true));
    m_editor->SetWordWrap(ini.ReadBool(QStringLiteral("Options"), QStringLiteral("WordWrap"), true));
    m_editor->SetOtherEditor(
        ini.ReadString(QStringLiteral("Options"), QStringLiteral("OtherEditor"), m_editor->OtherEditor()));
    QAction *newFiles = m_takeNewFilesAction;
    newFiles->setChecked(ini.ReadBool(QStringLiteral("Options"), QStringLiteral("NewFiles"), true));
    m_justOne->SetActive(newFiles->isChecked());
    m_editor->SetFilter(ini.ReadString(QStringLiteral("Files"), QStringLiteral("Filter"), kDefaultFilter));
    const QString margin = QStringLiteral("Margin");
    m_editor->LeftMargin = ini.ReadInteger(margin, QStringLiteral("Left"), 10);
    m_editor->RightMargin = ini.ReadInteger(margin, QStringLiteral("Right"), 10);
    m_editor->TopMargin = ini.ReadInteger(margin, QStringLiteral("Top"), 10);
    m_editor->BottomMargin = ini.ReadInteger(margin, QStringLiteral("Bottom"), 10);
}

void TMainForm::ApplyWindowSettings(const TIniFile &ini)
{
    const QString window = QStringLiteral("Window");
    QPoint position = pos();
    // The value the profile functions give for a missing key is not a position.
    if (const auto left = ini.ReadInteger(window, QStringLiteral("Left")); left && *left > -2147483647)
        position.setX(*left);
    if (const auto top = ini.ReadInteger(window, QStringLiteral("Top")); top && *top > -2147483647)
        position.setY(*top);
    QSize size = this->size();
    if (const qint32 width = ini.ReadInteger(window, QStringLiteral("Width"), 0); width > 0)
        size.setWidth(width);
    if (const qint32 height = ini.ReadInteger(window, QStringLiteral("Height"), 0); height > 0)
        size.setHeight(height);
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

void TMainForm::ApplyFontSettings(const TIniFile &ini)
{
    const QString section = QStringLiteral("Font");
    QFont font = m_editor->EditorFont();
    if (const QString name = ini.ReadString(section, QStringLiteral("Name"), QString()).left(255); !name.isEmpty())
        font.setFamily(name);
    // A size outside what a text can be shown in leaves the default size.
    if (const qint64 height = std::abs(qint64(ini.ReadInteger(section, QStringLiteral("Height"), 0)));
        height >= kMinFontPixels && height <= kMaxFontPixels)
        font.setPixelSize(int(height));
    if (const qint32 size = ini.ReadInteger(section, QStringLiteral("Size"), 0);
        size >= kMinFontPoints && size <= kMaxFontPoints)
        font.setPointSize(size);
    if (const qint32 color = ini.ReadInteger(section, QStringLiteral("Color"), 0); color > 0)
        m_editor->SetEditorFontColor(ColorFromValue(color));
    // Stored styles only add: a stored 0 never takes a style away.
    if (ini.ReadBool(section, QStringLiteral("Bold"), false))
        font.setBold(true);
    if (ini.ReadBool(section, QStringLiteral("Italic"), false))
        font.setItalic(true);
    if (ini.ReadBool(section, QStringLiteral("Underline"), false))
        font.setUnderline(true);
    if (ini.ReadBool(section, QStringLiteral("StrikeOut"), false))
        font.setStrikeOut(true);
    const qint32 pitch = ini.ReadInteger(section, QStringLiteral("Pitch"), 0);
    if (pitch == 1 || pitch == 2)
        font.setFixedPitch(pitch == 2);
    m_editor->SetEditorFont(font);
}

void TMainForm::WriteSettings(const QString &iniFileName)
{
    TIniFile ini(iniFileName);
    ini.Load();
    const QString window = QStringLiteral("Window");
    ini.WriteInteger(window, QStringLiteral("Left"), x());
    ini.WriteInteger(window, QStringLiteral("Top"), y());
    ini.WriteInteger(window, QStringLiteral("Width"), width());
    ini.WriteInteger(window, QStringLiteral("Height"), height());
    const QString section = QStringLiteral("Font");
    const QFont font = m_editor->EditorFont();
    ini.WriteString(section, QStringLiteral("Name"), font.family());
    const QFontInfo shown(font);
    const bool sane = shown.pixelSize() >= kMinFontPixels && shown.pixelSize() <= kMaxFontPixels
        && shown.pointSizeF() >= kMinFontPoints && shown.pointSizeF() <= kMaxFontPoints;
    // Never a size the next start would throw away: the default instead.
    const QFontInfo written(sane ? font : QFont(font.family(), kDefaultFontPoints));
    ini.WriteInteger(section, QStringLiteral("Height"), -written.pixelSize());
    ini.WriteInteger(section, QStringLiteral("Size"), qRound(written.pointSizeF()));
    ini.WriteInteger(section, QStringLiteral("Color"), ColorValue(m_editor->EditorFontColor()));
    ini.WriteBool(section, QStringLiteral("Bold"), font.bold());
    ini.WriteBool(section, QStringLiteral("Italic"), font.italic());
    ini.WriteBool(section, QStringLiteral("Underline"), font.underline());
    ini.WriteBool(section, QStringLiteral("StrikeOut"), font.strikeOut());
    ini.WriteInteger(section, QStringLiteral("Pitch"), font.fixedPitch() ? 2 : 0);
    const QString options = QStringLiteral("Options");
    ini.WriteBool(options, QStringLiteral("DragAccept"), m_editor->DragAccept());
    ini.WriteBool(options, QStringLiteral("WordWrap"), m_editor->WordWrap());
    ini.WriteString(options, QStringLiteral("OtherEditor"), m_editor->OtherEditor());
    ini.WriteBool(options, QStringLiteral("NewFiles"), m_takeNewFilesAction->isChecked());
    ini.WriteString(QStringLiteral("Files"), QStringLiteral("Filter"), m_editor->Filter());
    const QString margin = QStringLiteral("Margin");
    ini.WriteInteger(margin, QStringLiteral("Left"), m_editor->LeftMargin);
    ini.WriteInteger(margin, QStringLiteral("Right"), m_editor->RightMargin);
    ini.WriteInteger(margin, QStringLiteral("Top"), m_editor->TopMargin);
    ini.WriteInteger(margin, QStringLiteral("Bottom"), m_editor->BottomMargin);
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
    if (m_closing || FormCloseQuery()) {
        m_closing = true;
        event->accept();
    } else {
        event->ignore();
    }
}

bool TMainForm::FormCloseQuery()
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
        ApplicationHint(static_cast<QStatusTipEvent *>(event)->tip());
        return true;
    }
    return QMainWindow::event(event);
}

void TMainForm::ApplicationHint(const QString &hint)
{
    m_hintLabel->setText(hint);
    PlaceNumbers({m_rowLabel, m_colLabel, m_sizeLabel}, m_hintLabel);
}

void TMainForm::UpdateKeyLabels(bool show)
{
    const std::pair<QLabel *, keystate::TLock> locks[] = {
        {m_numLabel, keystate::TLock::Num}, {m_capsLabel, keystate::TLock::Caps}, {m_scrollLabel, keystate::TLock::Scroll}};
    for (const auto &[label, lock] : locks)
        label->setVisible(show && keystate::IsOn(lock).value_or(false));
    m_insertLabel->setVisible(show);
}

void TMainForm::UpdateInsertLabel()
{
    m_insertLabel->setText(m_insertMode ? QStringLiteral("Ins") : QStringLiteral("Over"));
    m_insertLabel->setStyleSheet(m_insertMode ? QString() : QStringLiteral("color: red;"));
    m_insertLabel->adjustSize();
}

void TMainForm::EditorActualize(QObject *)
{
    UpdateKeyLabels(true);
    TXMemo *memo = m_editor->CurrentControl();
    if (!memo)
        return;
    m_colLabel->setText(QString::number(CaretColumn(memo)));
    m_rowLabel->setText(QString::number(CaretLine(memo)));
    m_sizeLabel->setText(QString::number(memo->TextLength()));
    PlaceNumbers({m_rowLabel, m_colLabel, m_sizeLabel}, m_hintLabel);
    m_wordWrapCurrentFileAction->setChecked(memo->WordWrap());

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

void TMainForm::EditorKeyDown(QObject *, int &key, Qt::KeyboardModifiers shift)
{
    if (key == Qt::Key_Insert)
        m_plainInsertDown = !(shift & (Qt::ControlModifier | Qt::ShiftModifier));
}

void TMainForm::EditorKeyUp(QObject *, int &key, Qt::KeyboardModifiers shift)
{
    if (key != Qt::Key_Insert)
        return;
    // Ctrl or Shift let go before the Insert key leave a bare release, and
    // Shift+Insert goes down as the menu's paste: the press decides.
    const bool plain = m_plainInsertDown && !(shift & (Qt::ControlModifier | Qt::ShiftModifier));
    m_plainInsertDown = false;
    if (plain) {
        m_insertMode = !m_insertMode;
        UpdateInsertLabel();
    }
}

void TMainForm::EditorKeyPress(QObject *, char &key)
{
    TXMemo *memo = m_editor->CurrentControl();
    if (!memo || m_insertMode)
        return;
    if (memo->SelLength() > 0 || key == '\b')
        return;
    memo->SetSelLength(1);
    const QByteArray selected = memo->SelText();
    // At the end of a line or of the text typing inserts: lines never join.
    if (selected.isEmpty() || selected.at(0) == '\n' || selected.at(0) == '\r')
        memo->SetSelLength(0);
}

void TMainForm::Info1Click()
{
    TAboutBox box(this);
    box.ProductName->setText(abouttext::ProductNameFromTitle(apptitle::Title()));
    TAboutBox::SetCaption(box.MailLabel, TAboutBox::SupportMailAddress());
    box.ShowIniFile(IniFileName);
    box.AddInfoPages(AuthorMessage());
    TAboutBox::RunModal(box);
}

void TMainForm::DatumClick()
{
    TXMemo *memo = m_editor->CurrentControl();
    if (!memo)
        return;
    const QDateTime now = QDateTime::currentDateTime();
    const QLocale locale = QLocale::system();
    QString text = locale.toString(now.date(), QLocale::ShortFormat);
    if (now.time() != QTime(0, 0, 0))
        text += QLatin1Char(' ') + locale.toString(now.time(), QLocale::LongFormat);
    memo->SetSelText(cp1252::FromQString(text));
}

void TMainForm::Schriftart1Click()
{
    TXMemo *memo = m_editor->CurrentControl();
    if (!memo)
        return;
    QFont font = memo->EditorFont();
    if (dialogs::GetFont(this, font))
        memo->SetEditorFont(font);
}

void TMainForm::WordWrap1Click()
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

void TMainForm::Schriftart2Click()
{
    m_editor->FontClick(m_fontAllFilesAction);
    for (int i = 0; i < m_editor->FileCount(); ++i) {
        if (TXMemo *memo = m_editor->ControlAt(i))
            memo->ResetFont(m_editor->EditorFont());
    }
}

void TMainForm::WordWrap2Click()
{
    QAction *item = m_wordWrapAllFilesAction;
    const bool wrap = item->isChecked();
    m_editor->SetWordWrap(wrap);
    m_editor->SetScrollBars(wrap ? TScrollStyle::ssVertical : TScrollStyle::ssBoth);
    m_wordWrapCurrentFileAction->setChecked(wrap);
}

void TMainForm::SchliessenClick()
{
    m_editor->CloseFileClick(m_closeFileAction);
    UpdateKeyLabels(m_editor->FileCount() > 0);
}

void TMainForm::NeuerEditor1Click()
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
    StartProgram(QCoreApplication::applicationFilePath(), {handed});
    qunsetenv(TJustOne::kOwnInstanceVariable);
}

void TMainForm::Drucken1Click()
{
    const bool hasFile = m_editor->FileCount() > 0;
    const TXMemo *current = hasFile ? m_editor->ControlAt(m_editor->FileIndex()) : nullptr;
    const auto choice = printdialogs::AskPrint(this, printing::ThePrinter(), current && current->SelLength() > 0);
    if (!choice || m_editor->FileCount() == 0)
        return;
    printing::ThePrinter().setDocName(m_editor->TabRow()->Name(m_editor->FileIndex()));
    m_editor->PrintSelectionOnly = choice->Selection;
    for (int copy = 0; copy < choice->Copies; ++copy)
        m_editor->PrintFileClick(m_printAction);
}

void TMainForm::Druckereinstellungen1Click()
{
    printdialogs::SetupPrinter(this, printing::ThePrinter());
}

void TMainForm::Seiteeinrichten1Click()
{
    TPageConfigDlg::Edit(this, m_editor->LeftMargin, m_editor->RightMargin, m_editor->TopMargin,
                         m_editor->BottomMargin);
}

void TMainForm::Filter1Click()
{
    QString filter = m_editor->Filter();
    if (TFilterSelDlg::Edit(this, filter))
        m_editor->SetFilter(filter);
}

void TMainForm::AndererEditor1Click()
{
    QString command = m_editor->OtherEditor();
    if (!TOtherEditorForm::Edit(this, command))
        return;
    m_editor->SetOtherEditor(command);
    m_handToOtherEditorAction->setText(ExportCaption(command));
}

void TMainForm::ExportItemClick()
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
        StartProgram(command.program, command.arguments);
}

void TMainForm::HandOverReceiver(const handover::TMessage &, bool &accept)
{
    accept = m_takeNewFilesAction->isChecked();
}

void TMainForm::HandOverCommitted(const handover::TMessage &message)
{
    QStringList arguments;
    for (const QByteArray &argument : message.arguments)
        arguments << cmdline::FromLocal(argument);
    const QString senderDir = cmdline::FromLocal(message.workingDir);
    // Opened from the event loop, after the exchange is over.
    QMetaObject::invokeMethod(
        this,
        [this, arguments, senderDir] {
            if (isMinimized())
                showNormal();
            raise();
            activateWindow();
            if (windowHandle())
                windowHandle()->requestActivate();
            ProcessCommandString(arguments, senderDir);
        },
        Qt::QueuedConnection);
}

void TMainForm::NeueDateienhierClick()
{
    QAction *item = m_takeNewFilesAction;
    m_justOne->SetActive(item->isChecked());
}
