#pragma once
// The visible frame of the multi-file editor: button bar on top, tab row at
// the bottom, one page per open file between them.
#include "editor/OpenFile.h"
#include "editor/TabRow.h"
#include "editor/core/Search.h"

#include <QFont>
#include <QFrame>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QVector>

class QMenu;
class QToolButton;
class TXMemo;
class TFindDialog;

enum TBtnType {
    btNewFile,
    btOpenFile,
    btSaveFile,
    btSaveAsFile,
    btPrint,
    btCloseFile,
    btCopyText,
    btCutText,
    btPasteText,
    btSearch,
    btSearchAgain,
    btReplace,
    btGotoLine,
    btUndo,
    btFont
};
constexpr int kBtnTypeCount = 15;
// Bit n = button n.
using TBtnTypes = quint16;
constexpr TBtnTypes kAllBtnTypes = 0x7FFF;

struct TBtnInfo
{
    const char *resource;
    const char *hint;
    bool separatorBefore;
};
const TBtnInfo &BtnInfo(TBtnType type);

// The pages of the open files, one shown at a time. Qt's stacked widget
// walks every page on each switch (1,000 files took seconds to open);
// showing one page and hiding the last costs the same for any number.
class TPageArea : public QWidget
{
    Q_OBJECT
public:
    explicit TPageArea(QWidget *parent) : QWidget(parent) { }
    int count() const { return m_pages.size(); }
    QWidget *widget(int index) const { return index >= 0 && index < m_pages.size() ? m_pages.at(index) : nullptr; }
    int currentIndex() const { return m_current; }
    void setCurrentIndex(int index);
    void addWidget(QWidget *page);
    void removeWidget(QWidget *page);

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    QVector<QWidget *> m_pages;
    int m_current = -1;
};

// A page of the page area: holds the text control of one file.
class TPage : public QWidget
{
    Q_OBJECT
public:
    explicit TPage(QWidget *parent = nullptr);
    TXMemo *Control() const { return m_control; }
    void SetControl(TXMemo *control);

private:
    TXMemo *m_control = nullptr;
};

class TMultiPanel : public QFrame
{
    Q_OBJECT

public:
    explicit TMultiPanel(QWidget *owner = nullptr);
    ~TMultiPanel() override;

    // Operations on a file's text; the editor component fills them in.
    virtual void SearchNext() = 0;
    // Both return whether the file is saved now: false when the user
    // declined or saving failed (the error is shown already).
    virtual bool SaveFileAt(int index) = 0;
    virtual void Undo() = 0;
    virtual void ChooseFont();
    virtual void OpenFile(const QString &name) = 0;
    virtual bool SaveFileAs(int index, const QString &name) = 0;
    virtual void PrintFile(int index) = 0;

    // Commands of the bar, the context menu and the main menu; each fires
    // its event first.
    virtual void NewFileClick(QObject *sender);
    virtual void OpenFileClick(QObject *sender);
    // Whether the current file is saved now (false: cancelled or failed,
    // already reported).
    virtual bool SaveFileClick(QObject *sender);
    virtual bool SaveAsFileClick(QObject *sender);
    virtual void PrintFileClick(QObject *sender);
    virtual void CloseFileClick(QObject *sender);
    virtual void UndoClick(QObject *sender);
    virtual void CutClick(QObject *sender);
    virtual void CopyClick(QObject *sender);
    virtual void InsertClick(QObject *sender);
    virtual void DeleteClick(QObject *sender);
    virtual void FindClick(QObject *sender);
    virtual void FindAgainClick(QObject *sender);
    virtual void ReplaceClick(QObject *sender);
    virtual void GotoClick(QObject *sender);
    virtual void FontClick(QObject *sender);

    TXMemo *CurrentControl() const;
    // The file of the current page, or none.
    TOpenFile *CurrentFile() const;
    void ClosePage(int index);
    int FileCount() const;
    int FileIndex() const;
    void SetFileIndex(int index);
    void SelectFile(int index);
    QStringList TabNames() const;
    const TFileList &ControlList() const { return m_files; }

    TBtnTypes BtnTypes() const { return m_btnTypes; }
    void SetBtnTypes(TBtnTypes types);
    bool ShowPanel() const;
    void SetShowPanel(bool show);
    QString Filter() const { return m_filter; }
    void SetFilter(const QString &filter) { m_filter = filter; }
    int FilterIndex() const { return m_filterIndex; }
    void SetFilterIndex(int index) { m_filterIndex = index; }
    QString InitialDir() const { return m_initialDir; }
    void SetInitialDir(const QString &dir);
    QString LoadTitle() const { return m_loadTitle; }
    void SetLoadTitle(const QString &title) { m_loadTitle = title; }
    QString DefaultExt() const { return m_defaultExt; }
    void SetDefaultExt(const QString &ext) { m_defaultExt = ext.left(3); }
    int HelpContext() const { return m_helpContext; }
    void SetHelpContext(int context);
    bool DragAccept() const { return m_dragAccept; }
    void SetDragAccept(bool accept);
    // The font text controls follow until they are given one of their own.
    QFont EditorFont() const { return m_editorFont; }
    void SetEditorFont(const QFont &font);
    QColor EditorFontColor() const { return m_editorFontColor; }
    void SetEditorFontColor(const QColor &color);

    bool PrintSelectionOnly = false;
    qint32 LeftMargin = 0;
    qint32 TopMargin = 0;
    qint32 RightMargin = 0;
    qint32 BottomMargin = 0;

    // Search state of the last find or replace request.
    QString FindText;
    QString ReplaceText;
    TFindOptions FindOptions = 0;
    bool DialogUsed = false;

    // Shared by every panel of the run: presets the open dialog's name field.
    static QString LastOpenPattern;

    // The bar buttons in bar order (for the window and for tests).
    TFindDialog *FindDialog() const { return m_findDialog; }
    TFindDialog *ReplaceDialog() const { return m_replaceDialog; }
    QList<QToolButton *> Buttons() const { return m_buttons; }
    QMenu *ContextMenu() const { return m_contextMenu; }
    TTabRow *TabRow() const { return m_tabRow; }
    bool PageAreaShown() const;

signals:
    void OnNewFileClick(QObject *sender);
    void OnOpenFileClick(QObject *sender);
    void OnSaveFileClick(QObject *sender);
    void OnSaveAsFileClick(QObject *sender);
    void OnPrintFileClick(QObject *sender);
    void OnCloseFileClick(QObject *sender);
    void OnCopyClick(QObject *sender);
    void OnCutClick(QObject *sender);
    void OnInsertClick(QObject *sender);
    void OnDeleteClick(QObject *sender);
    void OnFindClick(QObject *sender);
    void OnFindAgainClick(QObject *sender);
    void OnReplaceClick(QObject *sender);
    void OnGotoClick(QObject *sender);
    void OnUndoClick(QObject *sender);
    void OnFontClick(QObject *sender);
    void OnTabChange(QObject *sender, int newIndex, bool &allow);
    void OnActualize(QObject *sender);

protected:
    void TabSetChange(QObject *sender, int newIndex, bool &allow);
    void FindDialogFind(TFindDialog *sender);
    void ReplaceDialogReplace(TFindDialog *sender);
    // The panel's font changed: controls without a font of their own follow.
    virtual void EditorFontChanged() { }
    QString NextUntitledName();
    template <typename F> void ForEachControl(F action) const
    {
        for (int i = 0; i < m_files.Count(); ++i)
            action(m_files.Control(i));
    }
    TPage *Page(int index) const;
    int PageCount() const;
    TPage *AppendPage();
    void ShowPageArea(bool show);

    void contextMenuEvent(QContextMenuEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dropEvent(QDropEvent *event) override;

    // Brings `file` to the front for an answer about it; false when the file
    // is closed or its page cannot be shown.
    bool ShowFile(const TOpenFile *file);

    TFileList m_files;
    // The file a question or dialog is open about: a file arriving in the
    // meantime never takes its tab over.
    QPointer<TOpenFile> m_heldFile;
    TTabRow *m_tabRow = nullptr;
    TPageArea *m_pageArea = nullptr;

private:
    void BuildBar();
    void RunButton(TBtnType type, QObject *sender);

    int m_barHeight = 32;
    QFrame *m_bar = nullptr;
    QMenu *m_contextMenu = nullptr;
    TFindDialog *m_findDialog = nullptr;
    TFindDialog *m_replaceDialog = nullptr;
    QList<QToolButton *> m_buttons;
    TBtnTypes m_btnTypes = kAllBtnTypes;
    int m_untitledCounter = 0;
    QString m_filter;
    int m_filterIndex = 1;
    QString m_initialDir;
    QString m_loadTitle;
    QString m_defaultExt;
    int m_helpContext = 0;
    bool m_dragAccept = false;
    QFont m_editorFont;
    QColor m_editorFontColor = Qt::black;
};
