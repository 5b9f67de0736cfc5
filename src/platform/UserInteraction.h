#pragma once
// Everything the program asks of the user or hands to the desktop passes
// through one object: questions, messages, the error box, file and font
// dialogs, the program's own modal dialogs, program starts and addresses to
// open. The program talks to the real desktop; a test puts a scripted user
// in its place and sees every question the program asked.
#include <QString>
#include <QStringList>

class QDialog;
class QFont;
class QUrl;
class QWidget;

namespace dialogs {

enum class TAnswer { Yes, No, Cancel };
enum class TKind { Warning, Question, Error, Information };

} // namespace dialogs

class TUserInteraction
{
public:
    virtual ~TUserInteraction() = default;

    // Buttons "&Ja", "&Nein" and, when `withCancel`, "Abbrechen"; closing the
    // box is Cancel, or No when there is no cancel button.
    virtual dialogs::TAnswer Ask(QWidget *parent, const QString &caption, const QString &text, dialogs::TKind kind,
                                 bool withCancel) = 0;
    // A message with an OK button.
    virtual void ShowMessage(QWidget *parent, const QString &caption, const QString &text, dialogs::TKind kind) = 0;
    // The program's error box over the active window.
    virtual void ShowError(const QString &message) = 0;

    // `filter` in the stored form "Beschreibung|*.ext|..."; empty on cancel.
    virtual QStringList GetOpenFileNames(QWidget *parent, const QString &title, const QString &filter,
                                         const QString &preset, const QString &defaultExt) = 0;
    virtual QString GetSaveFileName(QWidget *parent, const QString &title, const QString &filter,
                                    const QString &preset) = 0;
    // On OK `font` becomes the chosen font and the result is true.
    virtual bool GetFont(QWidget *parent, QFont &font) = 0;

    // Runs a dialog the caller has filled in, modally; its result code.
    virtual int Exec(QDialog &dialog) = 0;

    // Starts a program on its own, each argument passed as it is (no shell);
    // false when it could not be started.
    virtual bool StartProgram(const QString &program, const QStringList &arguments) = 0;
    // A web address, a "mailto:" address or a folder, opened by the desktop;
    // nothing tells the user when there is no program for it.
    virtual void OpenUrl(const QUrl &url) = 0;
};

namespace dialogs {

// Whom the program asks: the real desktop unless a test put another in place.
TUserInteraction &User();
// `user` answers from now on; nullptr brings back the real desktop.
void SetUser(TUserInteraction *user);

} // namespace dialogs
