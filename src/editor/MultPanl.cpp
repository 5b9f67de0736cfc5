#include "editor/MultPanl.h"

#include "editor/XMemo.h"
#include "platform/Dialogs.h"
#include "platform/ErrorDisplay.h"
#include "editor/FindDialog.h"
#include "platform/core/FileFilter.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QMenu>
#include <QMimeData>
#include <QPixmap>
#include <QResizeEvent>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>
#include <utility>

namespace {

const TBtnInfo kBtnInfo[kBtnTypeCount] = {
    {"NEWFILE", "Neue Datei", false},
    {"OPENFILE", "Öffne Datei", true},
    {"SAVEFILE", "Datei sichern", false},
    {"SAVEFILEAS", "Datei sichern unter...", false},
    {"PRINTFILE", "Datei drucken", false},
    {"CLOSEFILE", "Datei schließen", true},
    {"COPYTEXT", "Kopieren", true},
    {"CUTTEXT", "Ausschneiden", false},
    {"PASTETEXT", "Einfügen", false},
    {"FINDTEXT", "Suchen", true},
    {"FINDAGAINTEXT", "Weitersuchen", false},
    {"REPLACETEXT", "Ersetzen", false},
    {"GOTO", "Gehe zur Zeile", false},
    {"UNDO", "Rückgängig", true},
    {"FONT", "Schrift", true},
};

constexpr int kButtonSize = 24;

// A glyph holds the normal look on its left half, the disabled one on its right.
QIcon GlyphIcon(const char *resource, int *side)
{
    const QPixmap glyph(QStringLiteral(":/glyphs/%1").arg(QLatin1String(resource)));
    QIcon icon;
    *side = glyph.height() > 0 ? glyph.height() : 16;
    if (glyph.isNull())
        return icon;
    icon.addPixmap(glyph.copy(0, 0, *side, *side), QIcon::Normal);
    if (glyph.width() >= 2 * *side)
        icon.addPixmap(glyph.copy(*side, 0, *side, *side), QIcon::Disabled);
    return icon;
}

QStringList DroppedFiles(const QMimeData *mime)
{
    QStringList files;
    if (!mime || !mime->hasUrls())
        return files;
    for (const QUrl &url : mime->urls()) {
        if (url.isLocalFile())
            files << url.toLocalFile();
    }
    return files;
}

} // namespace

const TBtnInfo &BtnInfo(TBtnType type)
{
    return kBtnInfo[type];
}

QString TMultiPanel::LastOpenPattern = QStringLiteral("*.TXT");

void TPageArea::setCurrentIndex(int index)
{
    if (index < 0 || index >= m_pages.size() || index == m_current)
        return;
    QWidget *old = widget(m_current);
    m_current = index;
    QWidget *page = m_pages.at(index);
    page->setGeometry(rect());
    page->show();
    if (old)
        old->hide();
}

void TPageArea::addWidget(QWidget *page)
{
    page->setParent(this);
    page->hide();
    m_pages.append(page);
    if (m_current < 0)
        setCurrentIndex(0);
}

void TPageArea::removeWidget(QWidget *page)
{
    const int index = m_pages.indexOf(page);
    if (index < 0)
        return;
    m_pages.remove(index);
    page->hide();
    if (index < m_current) {
        --m_current;
    } else if (index == m_current) {
        m_current = -1;
        setCurrentIndex(std::min<int>(index, m_pages.size() - 1));
    }
}

void TPageArea::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    if (QWidget *page = widget(m_current))
        page->setGeometry(rect());
}

TPage::TPage(QWidget *parent) : QWidget(parent)
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
}

void TPage::SetControl(TXMemo *control)
{
    m_control = control;
    if (control) {
        control->setParent(this);
        layout()->addWidget(control);
        control->show();
    }
}

TMultiPanel::TMultiPanel(QWidget *owner) : QFrame(owner)
{
    resize(200, 100);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    m_bar = new QFrame(this);
    m_bar->setFixedHeight(m_barHeight);
    layout->addWidget(m_bar);

    auto *client = new QWidget(this);
    auto *clientLayout = new QVBoxLayout(client);
    clientLayout->setContentsMargins(0, 0, 0, 0);
    m_pageArea = new TPageArea(client);
    clientLayout->addWidget(m_pageArea);
    layout->addWidget(client, 1);

    m_tabRow = new TTabRow(this);
    layout->addWidget(m_tabRow);
    connect(m_tabRow, &TTabRow::Changing, this,
            [this](int newIndex, bool &allow) { TabSetChange(m_tabRow, newIndex, allow); });

    AppendPage();
    m_pageArea->hide();

    m_contextMenu = new QMenu(this);
    SetBtnTypes(kAllBtnTypes);

    m_findDialog = new TFindDialog(this, false);
    m_replaceDialog = new TFindDialog(this, true);
    connect(m_findDialog, &TFindDialog::Find, this,
            [this](TFindDialog *sender) { errordisplay::RunGuarded([&] { FindDialogFind(sender); }); });
    connect(m_replaceDialog, &TFindDialog::Find, this,
            [this](TFindDialog *sender) { errordisplay::RunGuarded([&] { FindDialogFind(sender); }); });
    connect(m_replaceDialog, &TFindDialog::Replace, this,
            [this](TFindDialog *sender) { errordisplay::RunGuarded([&] { ReplaceDialogReplace(sender); }); });
}

void TMultiPanel::FindDialogFind(TFindDialog *sender)
{
    FindOptions = sender->Options();
    FindText = sender->FindText();
    if (m_findDialog->isVisible())
        m_findDialog->CloseDialog();
    SearchNext();
}

void TMultiPanel::ReplaceDialogReplace(TFindDialog *sender)
{
    FindText = sender->FindText();
    FindOptions = sender->Options();
    ReplaceText = sender->ReplaceText();
    m_replaceDialog->CloseDialog();
    SearchNext();
}

TMultiPanel::~TMultiPanel()
{
    // The controls die with the page area, after this object is gone; a
    // focus change on the way must not reach our handlers any more.
    ForEachControl([this](TXMemo *control) { control->disconnect(this); });
}

void TMultiPanel::SetBtnTypes(TBtnTypes types)
{
    m_btnTypes = types & kAllBtnTypes;
    BuildBar();
}

void TMultiPanel::BuildBar()
{
    const int margin = (m_bar->maximumHeight() - kButtonSize) / 2;
    qDeleteAll(m_buttons);
    m_buttons.clear();
    m_contextMenu->clear();
    int left = margin;
    for (int v = 0; v < kBtnTypeCount; ++v) {
        if (!(m_btnTypes & (1u << v)))
            continue;
        const auto type = static_cast<TBtnType>(v);
        const TBtnInfo &info = BtnInfo(type);
        const QList<QAction *> items = m_contextMenu->actions();
        if (info.separatorBefore && !items.isEmpty() && !items.last()->isSeparator()) {
            m_contextMenu->addSeparator();
            left += margin;
        }
        auto *button = new QToolButton(m_bar);
        button->setAutoRaise(true);
        button->setGeometry(left, margin, kButtonSize, kButtonSize);
        int side = 16;
        button->setIcon(GlyphIcon(info.resource, &side));
        button->setIconSize(QSize(side, side));
        const QString hint = QString::fromUtf8(info.hint);
        button->setToolTip(hint);
        button->setStatusTip(hint);
        // The button shows only a glyph: a screen reader says what the hint says.
        button->setAccessibleName(hint);
        button->setObjectName(QLatin1String(info.resource));
        connect(button, &QToolButton::clicked, this, [this, type, button] { RunButton(type, button); });
        button->show();
        QAction *item = m_contextMenu->addAction(hint);
        connect(item, &QAction::triggered, this, [this, type, item] { RunButton(type, item); });
        left += kButtonSize;
        m_buttons << button;
    }
}

void TMultiPanel::RunButton(TBtnType type, QObject *sender)
{
    errordisplay::RunGuarded([&] {
        switch (type) {
        case btNewFile: NewFileClick(sender); break;
        case btOpenFile: OpenFileClick(sender); break;
        case btSaveFile: SaveFileClick(sender); break;
        case btSaveAsFile: SaveAsFileClick(sender); break;
        case btPrint: PrintFileClick(sender); break;
        case btCloseFile: CloseFileClick(sender); break;
        case btCopyText: CopyClick(sender); break;
        case btCutText: CutClick(sender); break;
        case btPasteText: InsertClick(sender); break;
        case btSearch: FindClick(sender); break;
        case btSearchAgain: FindAgainClick(sender); break;
        case btReplace: ReplaceClick(sender); break;
        case btGotoLine: GotoClick(sender); break;
        case btUndo: Undo(); break;
        case btFont: FontClick(sender); break;
        }
    });
}

bool TMultiPanel::ShowPanel() const
{
    return m_bar->isVisibleTo(this);
}

void TMultiPanel::SetShowPanel(bool show)
{
    m_bar->setFixedHeight(show ? m_barHeight : 0);
    if (show)
        BuildBar();
    m_bar->setVisible(show);
}

void TMultiPanel::SetInitialDir(const QString &dir)
{
    QString value = dir;
    const bool root = value == QLatin1String("/")
                      || (value.size() == 3 && value.at(1) == QLatin1Char(':') && value.at(2) == QLatin1Char('\\'));
    if (!root && (value.endsWith(QLatin1Char('/')) || value.endsWith(QLatin1Char('\\'))))
        value.chop(1);
    m_initialDir = value;
}

void TMultiPanel::SetHelpContext(int context)
{
    m_helpContext = context;
    ForEachControl([context](TXMemo *control) { control->SetHelpContext(context); });
}

void TMultiPanel::SetDragAccept(bool accept)
{
    m_dragAccept = accept;
    setAcceptDrops(accept);
}

void TMultiPanel::SetEditorFont(const QFont &font)
{
    m_editorFont = font;
    EditorFontChanged();
}

void TMultiPanel::SetEditorFontColor(const QColor &color)
{
    m_editorFontColor = color;
    EditorFontChanged();
}

void TMultiPanel::ChooseFont()
{
    QFont font = m_editorFont;
    if (dialogs::GetFont(this, font))
        SetEditorFont(font);
}

QString TMultiPanel::NextUntitledName()
{
    return QStringLiteral("<unbenannt%1>").arg(m_untitledCounter);
}

void TMultiPanel::NewFileClick(QObject *sender)
{
    emit OnNewFileClick(sender);
    const QString name = NextUntitledName();
    ++m_untitledCounter;
    OpenFile(name);
}

void TMultiPanel::OpenFileClick(QObject *sender)
{
    emit OnOpenFileClick(sender);
    const QStringList files = dialogs::GetOpenFileNames(this, m_loadTitle, m_filter, LastOpenPattern, m_defaultExt);
    if (files.isEmpty())
        return;
    LastOpenPattern = filefilter::ExtensionPattern(files.first());
    for (const QString &file : files)
        OpenFile(file);
}

bool TMultiPanel::PageAreaShown() const
{
    return m_pageArea->isVisibleTo(this) && m_files.Count() > 0;
}

bool TMultiPanel::SaveFileClick(QObject *sender)
{
    emit OnSaveFileClick(sender);
    const TOpenFile *file = PageAreaShown() ? CurrentFile() : nullptr;
    if (!file)
        return false;
    if (file->Untitled())
        return SaveAsFileClick(sender);
    return SaveFileAt(FileIndex());
}

bool TMultiPanel::SaveAsFileClick(QObject *sender)
{
    emit OnSaveAsFileClick(sender);
    const QPointer<TOpenFile> file = PageAreaShown() ? CurrentFile() : nullptr;
    if (!file)
        return false;
    const QString preset =
        file->Untitled() ? QStringLiteral("*.") + m_defaultExt : filefilter::ExtensionPattern(file->FileName());
    QString name;
    {
        const QPointer<TOpenFile> held = std::exchange(m_heldFile, file);
        name = dialogs::GetSaveFileName(this, QStringLiteral("Sichere Textdatei unter"), m_filter, preset);
        m_heldFile = held;
    }
    // Files may have been opened or closed while the dialog was open: the
    // name goes to the file it was chosen for.
    const int i = m_files.IndexOf(file);
    if (name.isEmpty() || i < 0 || !SaveFileAs(i, name) || !file)
        return false;
    // Tab and page come to the front together, also when another file
    // arrived while the dialog was open.
    ShowFile(file);
    file->SetFileName(name, false);
    // The window's caption names the file: tell it the name changed.
    emit OnActualize(nullptr);
    return true;
}

void TMultiPanel::PrintFileClick(QObject *sender)
{
    emit OnPrintFileClick(sender);
    if (PageAreaShown() && FileIndex() < m_files.Count())
        PrintFile(FileIndex());
}

void TMultiPanel::CloseFileClick(QObject *sender)
{
    emit OnCloseFileClick(sender);
}
void TMultiPanel::UndoClick(QObject *sender)
{
    emit OnUndoClick(sender);
}
void TMultiPanel::CutClick(QObject *sender)
{
    emit OnCutClick(sender);
}
void TMultiPanel::CopyClick(QObject *sender)
{
    emit OnCopyClick(sender);
}
void TMultiPanel::InsertClick(QObject *sender)
{
    emit OnInsertClick(sender);
}
void TMultiPanel::DeleteClick(QObject *sender)
{
    emit OnDeleteClick(sender);
}
void TMultiPanel::FindClick(QObject *sender)
{
    emit OnFindClick(sender);
}
void TMultiPanel::FindAgainClick(QObject *sender)
{
    emit OnFindAgainClick(sender);
    if (DialogUsed && !FindText.isEmpty())
        SearchNext();
    else
        FindClick(sender);
}
void TMultiPanel::ReplaceClick(QObject *sender)
{
    emit OnReplaceClick(sender);
}
void TMultiPanel::GotoClick(QObject *sender)
{
    emit OnGotoClick(sender);
}

void TMultiPanel::FontClick(QObject *sender)
{
    emit OnFontClick(sender);
    ChooseFont();
}

void TMultiPanel::TabSetChange(QObject *sender, int newIndex, bool &allow)
{
    emit OnTabChange(sender, newIndex, allow);
    if (!allow)
        return;
    const bool hadFocus = m_pageArea->isAncestorOf(QApplication::focusWidget());
    m_pageArea->setCurrentIndex(newIndex);
    if (newIndex >= 0 && newIndex < m_files.Count()) {
        m_files.At(newIndex)->ShowTip();
        // Typing goes on in the file now shown, not in the hidden one.
        if (hadFocus)
            m_files.Control(newIndex)->setFocus();
    }
    emit OnActualize(m_tabRow);
}

bool TMultiPanel::ShowFile(const TOpenFile *file)
{
    const int index = m_files.IndexOf(file);
    if (index < 0)
        return false;
    if (m_tabRow->currentIndex() != index)
        m_tabRow->RequestIndex(index);
    return CurrentFile() == file;
}

TXMemo *TMultiPanel::CurrentControl() const
{
    const TOpenFile *file = CurrentFile();
    return file ? file->Control() : nullptr;
}

TOpenFile *TMultiPanel::CurrentFile() const
{
    const int index = m_pageArea->currentIndex();
    if (index < 0 || index >= m_files.Count())
        return nullptr;
    return m_files.At(index);
}

void TMultiPanel::ClosePage(int index)
{
    if (index < 0 || index >= m_files.Count())
        return;
    TOpenFile *file = m_files.At(index);
    TXMemo *control = file->Control();
    m_files.Delete(index);
    TPage *page = Page(index);
    if (page && page->Control() == control)
        page->SetControl(nullptr);
    delete control;
    delete file;

    if (m_tabRow->count() < 2) {
        const QSignalBlocker block(m_tabRow);
        m_tabRow->removeTab(index);
        ShowPageArea(false);
        DialogUsed = false;
        emit OnActualize(nullptr);
        return;
    }
    if (index == 0)
        m_pageArea->setCurrentIndex(1);
    QWidget *gone = m_pageArea->widget(index);
    m_pageArea->removeWidget(gone);
    delete gone;
    {
        const QSignalBlocker block(m_tabRow);
        m_tabRow->removeTab(index);
    }
    const int current = std::clamp(index, 0, m_tabRow->count() - 1);
    if (current != m_tabRow->currentIndex())
        m_tabRow->RequestIndex(current);
    m_pageArea->setCurrentIndex(m_tabRow->currentIndex());
    if (m_tabRow->currentIndex() >= 0 && m_tabRow->currentIndex() < m_files.Count())
        m_files.At(m_tabRow->currentIndex())->ShowTip();
    emit OnActualize(nullptr);
}

int TMultiPanel::FileCount() const
{
    return m_tabRow->count();
}

int TMultiPanel::FileIndex() const
{
    return std::max(0, m_pageArea->currentIndex());
}

void TMultiPanel::SetFileIndex(int index)
{
    if (index >= 0 && index < m_pageArea->count())
        m_pageArea->setCurrentIndex(index);
}

void TMultiPanel::SelectFile(int index)
{
    index = std::min(index, FileCount() - 1);
    index = std::max(index, 0);
    if (FileCount() > 0)
        m_tabRow->RequestIndex(index);
}

QStringList TMultiPanel::TabNames() const
{
    QStringList names;
    for (int i = 0; i < m_tabRow->count(); ++i)
        names << m_tabRow->Name(i);
    return names;
}

TPage *TMultiPanel::Page(int index) const
{
    return qobject_cast<TPage *>(m_pageArea->widget(index));
}

int TMultiPanel::PageCount() const
{
    return m_pageArea->count();
}

TPage *TMultiPanel::AppendPage()
{
    auto *page = new TPage(m_pageArea);
    m_pageArea->addWidget(page);
    return page;
}

void TMultiPanel::ShowPageArea(bool show)
{
    m_pageArea->setVisible(show);
}

void TMultiPanel::contextMenuEvent(QContextMenuEvent *event)
{
    m_contextMenu->popup(event->globalPos());
    event->accept();
}

void TMultiPanel::dragEnterEvent(QDragEnterEvent *event)
{
    if (m_dragAccept && !DroppedFiles(event->mimeData()).isEmpty())
        event->acceptProposedAction();
    else
        event->ignore();
}

void TMultiPanel::dragMoveEvent(QDragMoveEvent *event)
{
    if (m_dragAccept && !DroppedFiles(event->mimeData()).isEmpty())
        event->acceptProposedAction();
    else
        event->ignore();
}

void TMultiPanel::dropEvent(QDropEvent *event)
{
    if (!m_dragAccept) {
        event->ignore();
        return;
    }
    const QStringList files = DroppedFiles(event->mimeData());
    event->acceptProposedAction();
    errordisplay::RunGuarded([&] {
        for (const QString &file : files) {
            const QFileInfo info(file);
            // Folders, and names whose attributes cannot be read, are skipped.
            if (!info.exists() || info.isDir())
                continue;
            OpenFile(file);
        }
    });
}
