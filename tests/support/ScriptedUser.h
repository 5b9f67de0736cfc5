#pragma once
// The user of the tests: answers from answers queued beforehand and records
// what the program asked, so no dialog ever waits for a hand. Alive, it
// answers in place of the desktop.
#include "platform/UserInteraction.h"

#include <QDialog>
#include <QFont>
#include <QList>
#include <QStringList>
#include <QUrl>
#include <functional>
#include <optional>

class TScriptedUser final : public TUserInteraction
{
public:
    TScriptedUser() { dialogs::SetUser(this); }
    ~TScriptedUser() override { dialogs::SetUser(nullptr); }
    TScriptedUser(const TScriptedUser &) = delete;
    TScriptedUser &operator=(const TScriptedUser &) = delete;

    // Answers, each used once, first in first out.
    QList<dialogs::TAnswer> Answers;
    // When no answer is left the box is closed: Cancel, or No without a
    // cancel button. Tests that answer No throughout set No here.
    dialogs::TAnswer WhenNoAnswerLeft = dialogs::TAnswer::Cancel;
    QList<QStringList> OpenAnswers; // none left: cancelled
    QStringList SaveAnswers;        // none left (or empty): cancelled
    QList<QFont> FontAnswers;       // none left: cancelled
    // Each works one dialog: fills it in and presses a button, or calls
    // accept() or reject(); none left: the dialog is closed.
    QList<std::function<void(QDialog &)>> DialogAnswers;
    bool ProgramsStart = true;
    // Runs at every question, dialog, program start and address opened,
    // while it is open: a hand-over or the user's other windows may act then.
    std::function<void()> Meanwhile;

    // What the program asked, in order.
    QStringList Questions; // "caption|text"
    QStringList Messages;  // "caption|text"
    QStringList Errors;
    QStringList Shown; // questions, messages and errors as they came
    QStringList OpenPresets, SaveTitles, SavePresets;
    int FontsAsked = 0;
    QStringList DialogsRun; // each dialog's object name, else its class
    QStringList Started;    // "program|argument|..."
    QList<QUrl> Opened;

    dialogs::TAnswer Ask(QWidget *, const QString &caption, const QString &text, dialogs::TKind,
                         bool withCancel) override
    {
        Questions << caption + QLatin1Char('|') + text;
        Shown << Questions.last();
        Open();
        const dialogs::TAnswer answer = Answers.isEmpty() ? WhenNoAnswerLeft : Answers.takeFirst();
        return answer == dialogs::TAnswer::Cancel && !withCancel ? dialogs::TAnswer::No : answer;
    }
    void ShowMessage(QWidget *, const QString &caption, const QString &text, dialogs::TKind) override
    {
        Messages << caption + QLatin1Char('|') + text;
        Shown << Messages.last();
        Open();
    }
    void ShowError(const QString &message) override
    {
        Errors << message;
        Shown << message;
        Open();
    }
    QStringList GetOpenFileNames(QWidget *, const QString &, const QString &, const QString &preset,
                                 const QString &) override
    {
        OpenPresets << preset;
        Open();
        return OpenAnswers.isEmpty() ? QStringList() : OpenAnswers.takeFirst();
    }
    QString GetSaveFileName(QWidget *, const QString &title, const QString &, const QString &preset) override
    {
        SaveTitles << title;
        SavePresets << preset;
        Open();
        return SaveAnswers.isEmpty() ? QString() : SaveAnswers.takeFirst();
    }
    bool GetFont(QWidget *, QFont &font) override
    {
        ++FontsAsked;
        Open();
        if (FontAnswers.isEmpty())
            return false;
        font = FontAnswers.takeFirst();
        return true;
    }
    int Exec(QDialog &dialog) override
    {
        DialogsRun << (dialog.objectName().isEmpty() ? QString::fromLatin1(dialog.metaObject()->className())
                                                     : dialog.objectName());
        Open();
        dialog.setResult(QDialog::Rejected);
        if (!DialogAnswers.isEmpty())
            DialogAnswers.takeFirst()(dialog);
        return dialog.result();
    }
    bool StartProgram(const QString &program, const QStringList &arguments) override
    {
        Started << program + QLatin1Char('|') + arguments.join(QLatin1Char('|'));
        Open();
        return ProgramsStart;
    }
    void OpenUrl(const QUrl &url) override
    {
        Opened << url;
        Open();
    }

private:
    void Open()
    {
        // A copy, so that an action may replace or clear itself.
        if (const std::function<void()> action = Meanwhile)
            action();
    }
};
