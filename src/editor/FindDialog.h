#pragma once
// Modeless find and replace dialogs. They report what the user asked for
// as find options, the way the system's dialogs do.
#include "editor/core/Search.h"

#include <QDialog>

class QCheckBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

class TFindDialog : public QDialog
{
    Q_OBJECT
public:
    explicit TFindDialog(QWidget *parent, bool replacing = false);

    QString FindText() const;
    void SetFindText(const QString &text);
    QString ReplaceText() const;
    void SetReplaceText(const QString &text);
    TFindOptions Options() const { return m_options; }
    void SetOptions(TFindOptions options);
    // Shows the dialog, or brings it to the front when it is open.
    void Execute();
    void CloseDialog() { hide(); }

signals:
    void Find(TFindDialog *sender);
    void Replace(TFindDialog *sender);

private:
    void Report(TFindOption button);
    void UpdateButtons();

    bool m_replacing;
    TFindOptions m_options = FindOptionBit(frDown);
    QLineEdit *m_findEdit = nullptr;
    QLineEdit *m_replaceEdit = nullptr;
    QCheckBox *m_wholeWord = nullptr;
    QCheckBox *m_matchCase = nullptr;
    QRadioButton *m_up = nullptr;
    QRadioButton *m_down = nullptr;
    QPushButton *m_findNext = nullptr;
    QPushButton *m_replace = nullptr;
    QPushButton *m_replaceAll = nullptr;
};
