#pragma once
// "Infos": product name, version, legal notice, the maker's links, the
// program icon, a live page of system figures and the author's message,
// one paragraph per page.
#include "about/AboutWidgets.h"

#include <QDialog>
#include <QProgressBar>
#include <QStringList>

class QLabel;
class QPushButton;
class QStackedWidget;
class QTimer;
class TSystem;
class TTimeStamp;

// A bar from 0 to 100 that shows its value as a percentage, the text light
// where the bar lies under it and dark elsewhere.
class TGauge : public QProgressBar
{
    Q_OBJECT
public:
    explicit TGauge(QWidget *parent = nullptr);

protected:
    void paintEvent(QPaintEvent *event) override;
};

class TAboutBox : public QDialog
{
    Q_OBJECT

public:
    explicit TAboutBox(QWidget *owner = nullptr);
    ~TAboutBox() override;

    TBevelPanel *Panel = nullptr;
    QLabel *ProductName = nullptr;
    QLabel *Version = nullptr;
    TTimeStamp *TimeStamp = nullptr;
    QLabel *Copyright = nullptr;
    QLabel *CommentLabel = nullptr;
    QLabel *Label7 = nullptr;
    TClickLabel *LinkLabel = nullptr;
    QLabel *Label8 = nullptr;
    TClickLabel *MailLabel = nullptr;
    TArrowPair *Scroller = nullptr;
    QStackedWidget *Notebook = nullptr;
    QLabel *ProgramIcon = nullptr;
    QLabel *Label1 = nullptr;
    QLabel *Label6 = nullptr;
    TGauge *LoadMemGauge = nullptr;
    QLabel *FreeLabel = nullptr;
    QLabel *FreeMemLabel = nullptr;
    QLabel *MhzLbLabel = nullptr;
    QLabel *MhzLabel = nullptr;
    QLabel *Label2 = nullptr;
    TClickLabel *IniLabel = nullptr;
    QPushButton *OKButton = nullptr;
    TSystem *SystemCheck = nullptr;
    QTimer *AboutTimer = nullptr;

    // A label's text with the label sized to it.
    static void SetCaption(QLabel *label, const QString &text);
    // The settings file the window reads and writes (it may come from "-I").
    void ShowIniFile(const QString &fileName);

    // One page per paragraph, in order.
    void AddInfoPages(const QStringList &paragraphs);
    // The label on a new page, filling it, word-wrapped; a paragraph that
    // names the author's homepage links to it.
    TClickLabel *AddTextPage(const QString &text);
    // A new page named after the number of pages before it; none when the
    // page cannot be found again by that name.
    QWidget *AddNotebookPage();
    QString ActivePageName() const;

    void FormShow();
    void ScrollerClick();
    // Page Down and Page Up turn the pages; true when the key was one of them.
    bool FormKeyDown(int key);
    // "I" and "i" show or hide the time stamp; true when it was one of them.
    bool FormKeyPress(QChar key);
    void AboutTimerTimer();
    void LinkLabelClick(const TClickLabel *sender);
    void MailLabelClick();
    void IniLabelDblClick();

    // The maker's support address that the menu command puts in MailLabel.
    static QString SupportMailAddress();

protected:
    void showEvent(QShowEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void FormCreate();
    void BuildSystemPage(QWidget *page);
    bool PreviewKey(QKeyEvent *event);
    void UpdateMhz(double mhz);
};
