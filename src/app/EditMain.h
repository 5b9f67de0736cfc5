#pragma once
// The main window: menus, status panel, caption, and the closing sequence.
#include "app/core/CommandLine.h"
#include "app/core/HandOver.h"

#include <QMainWindow>
#include <QStringList>
#include <functional>

class QAction;
class QLabel;
class QMenu;
class TJustOne;
class TJournalKeeper;
class TMultiEditor;
class TXMemo;
namespace settings {
struct TFontSettings;
struct TSettings;
} // namespace settings

class TMainForm : public QMainWindow
{
    Q_OBJECT

public:
    explicit TMainForm(QWidget *parent = nullptr);
    ~TMainForm() override;

    TMultiEditor *Editor() const { return m_editor; }
    TJustOne *JustOne() const { return m_justOne; }
    QString IniFileName;
    bool IniFileIsNew = false;
    bool InsertMode() const;

    // First show: interprets the own command line (`arguments` are argv[1..]
    // of a start in `startDir`), then reads the settings. Returns false when
    // no file is open afterwards: the window has closed.
    bool FormShow(const QStringList &arguments, const QString &startDir);
    // The arguments handed over by a later start in `senderDir`.
    void ProcessCommandString(const QStringList &arguments, const QString &senderDir);

    // Recovery records of the modified files in `stateFolder`; offers those
    // an instance left behind when it died.
    void StartJournal(const QString &stateFolder);
    TJournalKeeper *Journal() const { return m_journal; }
    // The message loop has ended.
    void EndJournal();
    // Ended from outside (logout, kill): as a close, but nothing is asked;
    // unsaved texts stay in their records for the next start.
    void EndWithoutQuestions();

    virtual void ReadSettings(const QString &iniFileName);
    virtual void WriteSettings(const QString &iniFileName);

    // A menu command by its German object name, for tests.
    QAction *Item(const QString &name) const;
    QLabel *StatusLabel(const QString &name) const;

protected:
    void closeEvent(QCloseEvent *event) override;
    bool event(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void CreateEditor();
    void ApplySettings(const settings::TSettings &stored);
    void ApplyWindowPlace(const settings::TSettings &stored);
    void ApplyFont(const settings::TFontSettings &stored);
    settings::TSettings CurrentSettings() const;
    void BuildMenu();
    void BuildStatusPanel();
    QAction *AddItem(QMenu *menu, const char *name, const QString &caption, const std::function<void()> &action,
                     const QKeySequence &shortcut = {});
    void RunActions(const QList<cmdline::TAction> &actions, bool handedOver);
    bool CloseFilesAndWriteSettings();

    void UpdateKeyLabels(bool show);
    void UpdateInsertLabel();
    void ShowEncoding(const TXMemo *memo);

private slots:
    // The menu's commands.
    void InsertDate();
    void ChooseFontCurrentFile();
    void ToggleWordWrapCurrentFile();
    void ShowCurrentFileAsWindows1252();
    void ShowCurrentFileAsUtf8();
    void ConvertCurrentFileToWindows1252();
    void ConvertCurrentFileToUtf8();
    void ChooseFontAllFiles();
    void ToggleWordWrapAllFiles();
    void CloseCurrentFile();
    void MoveCurrentFileToNewEditor();
    void ApplyTakingNewFiles();
    // From the print dialog over `parent` (else the window), the selection
    // chosen beforehand when `selectionFirst`; true when it printed.
    bool PrintCurrentFile(QWidget *parent = nullptr, bool selectionFirst = false);
    void PreviewCurrentFile();
    void SetUpPrinter();
    void SetUpPage();
    void EditFilter();
    void ChooseOtherEditor();
    void HandCurrentFileToOtherEditor();
    void ShowAbout();

    // What the editor, the application and the other instances report.
    void ShowHint(const QString &hint);
    void ShowCurrentFileState(QObject *sender);
    void NoteInsertKeyDown(QObject *sender, int &key, Qt::KeyboardModifiers shift);
    void ToggleInsertModeOnInsertKey(QObject *sender, int &key, Qt::KeyboardModifiers shift);
    void AnswerHandOver(const handover::TMessage &message, bool &accept);
    void OpenHandedOverFiles(const handover::TMessage &message);

private:
    // The menu's commands; their object names are the items' German names.
    QAction *m_newFileAction = nullptr;
    QAction *m_openFileAction = nullptr;
    QAction *m_saveFileAction = nullptr;
    QAction *m_saveFileAsAction = nullptr;
    QAction *m_printAction = nullptr;
    QAction *m_previewAction = nullptr;
    QAction *m_printerSetupAction = nullptr;
    QAction *m_pageSetupAction = nullptr;
    QAction *m_closeFileAction = nullptr;
    QAction *m_newEditorAction = nullptr;
    QAction *m_handToOtherEditorAction = nullptr;
    QAction *m_quitAction = nullptr;
    QAction *m_undoAction = nullptr;
    QAction *m_copyAction = nullptr;
    QAction *m_cutAction = nullptr;
    QAction *m_pasteAction = nullptr;
    QAction *m_deleteAction = nullptr;
    QAction *m_insertDateAction = nullptr;
    QAction *m_findAction = nullptr;
    QAction *m_findAgainAction = nullptr;
    QAction *m_replaceAction = nullptr;
    QAction *m_goToLineAction = nullptr;
    QAction *m_fontCurrentFileAction = nullptr;
    QAction *m_wordWrapCurrentFileAction = nullptr;
    QAction *m_showAsWindows1252Action = nullptr;
    QAction *m_showAsUtf8Action = nullptr;
    QAction *m_convertToWindows1252Action = nullptr;
    QAction *m_convertToUtf8Action = nullptr;
    QAction *m_fontAllFilesAction = nullptr;
    QAction *m_wordWrapAllFilesAction = nullptr;
    QAction *m_filterAction = nullptr;
    QAction *m_otherEditorAction = nullptr;
    QAction *m_takeNewFilesAction = nullptr;
    QAction *m_helpContentsAction = nullptr;
    QAction *m_keysHelpAction = nullptr;
    QAction *m_helpOnHelpAction = nullptr;
    QAction *m_aboutAction = nullptr;
    TMultiEditor *m_editor = nullptr;
    TJustOne *m_justOne = nullptr;
    TJournalKeeper *m_journal = nullptr;
    QWidget *m_infoPanel = nullptr;
    QLabel *m_rowLabel = nullptr;
    QLabel *m_colLabel = nullptr;
    QLabel *m_sizeLabel = nullptr;
    QLabel *m_hintLabel = nullptr;
    QLabel *m_encodingLabel = nullptr;
    QLabel *m_capsLabel = nullptr;
    QLabel *m_insertLabel = nullptr;
    QLabel *m_numLabel = nullptr;
    QLabel *m_scrollLabel = nullptr;
    // The Insert key went down without Ctrl and Shift, in a text control.
    bool m_plainInsertDown = false;
    bool m_closing = false;
};
