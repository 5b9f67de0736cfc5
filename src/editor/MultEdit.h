#pragma once
// The component that holds every open file, one text control each.
#include "editor/MultPanl.h"
#include "editor/XMemo.h"

class TDiskWatcher;

class TMultiEditor : public TMultiPanel
{
    Q_OBJECT

public:
    explicit TMultiEditor(QWidget *owner = nullptr);

    void SearchNext() override;
    bool SaveFileAt(int index) override;
    void Undo() override;
    void OpenFile(const QString &name) override;
    bool SaveFileAs(int index, const QString &name) override;
    void PrintFile(int index) override;

    void CloseFileClick(QObject *sender) override;
    void UndoClick(QObject *sender) override;
    void CutClick(QObject *sender) override;
    void CopyClick(QObject *sender) override;
    void InsertClick(QObject *sender) override;
    void DeleteClick(QObject *sender) override;
    void FindClick(QObject *sender) override;
    void ReplaceClick(QObject *sender) override;
    void GotoClick(QObject *sender) override;

    TXMemo *ControlAt(int index) const;
    // Notices files changed on disk by other programs.
    TDiskWatcher *DiskWatcher() const { return m_diskWatcher; }
    // A text given back after a crash: a new tab under its name, modified,
    // the file on disk untouched. Null when there is no memory for it.
    TOpenFile *OpenRecovered(const QString &fullName, bool untitled, const QByteArray &bytes,
                             encoding::TEncoding encoding);

    bool HideSelection() const { return m_hideSelection; }
    void SetHideSelection(bool on);
    bool WantReturns() const { return m_wantReturns; }
    void SetWantReturns(bool on);
    bool WantTabs() const { return m_wantTabs; }
    void SetWantTabs(bool on);
    bool WordWrap() const { return m_wordWrap; }
    void SetWordWrap(bool on);
    TScrollStyle ScrollBars() const { return m_scrollBars; }
    void SetScrollBars(TScrollStyle style);
    bool PlainText() const { return m_plainText; }
    void SetPlainText(bool on);
    bool Overwrite() const { return m_overwrite; }
    void SetOverwrite(bool on);
    // The encoding of new files and of files of ASCII alone.
    encoding::TEncoding DefaultEncoding() const { return m_defaultEncoding; }
    void SetDefaultEncoding(encoding::TEncoding encoding);
    QString OtherEditor() const { return m_otherEditor; }
    void SetOtherEditor(const QString &command) { m_otherEditor = command; }

    // A file name as it reaches OpenFile: leading blanks and quotes and one
    // trailing quote removed, unless the name as given is an existing file.
    static QString CleanFileName(const QString &name);

signals:
    void OnKeyDown(QObject *sender, int &key, Qt::KeyboardModifiers shift);
    void OnKeyPress(QObject *sender, char &key);
    void OnKeyUp(QObject *sender, int &key, Qt::KeyboardModifiers shift);
    void OnEnter(QObject *sender);
    void OnExit(QObject *sender);
    void OnMouseDown(QObject *sender, QMouseEvent *event);
    void OnMouseMove(QObject *sender, QMouseEvent *event);
    void OnMouseUp(QObject *sender, QMouseEvent *event);
    void OnChange(QObject *sender);
    void OnDragDrop(QObject *sender, QDropEvent *event);
    void OnDragOver(QObject *sender, QDragMoveEvent *event);
    void OnEndDrag(QObject *sender);
    void OnStartDrag(QObject *sender);
    void OnSelectionChange(QObject *sender);

protected:
    void EditorFontChanged() override;

private:
    void RunShortcuts(TXMemo *control, int &key, Qt::KeyboardModifiers shift);
    void JumpToNextBlank(TXMemo *control);
    void JumpToPreviousBlank(TXMemo *control);
    void ShowFindDialog(TFindDialog *dialog);
    TOpenFile *NewTab(const QString &fullName, bool untitled);
    void Configure(TXMemo *control);
    void BindEvents(TXMemo *control);

    TDiskWatcher *m_diskWatcher = nullptr;
    bool m_hideSelection = true;
    bool m_wantReturns = true;
    bool m_wantTabs = false;
    bool m_wordWrap = true;
    TScrollStyle m_scrollBars = TScrollStyle::ssBoth;
    bool m_plainText = true;
    bool m_overwrite = false;
    QString m_otherEditor = QStringLiteral("Write.Exe");
    encoding::TEncoding m_defaultEncoding = encoding::TEncoding::Cp1252;
};
