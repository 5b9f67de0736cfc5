#pragma once
// The system dialogs the editor asks through. Tests install answers in
// place of the real dialogs; the program always shows them.
#include <QFont>
#include <QString>
#include <QStringList>
#include <functional>

class QEvent;
class QWidget;

namespace dialogs {

enum class TAnswer { Yes, No, Cancel };
enum class TKind { Warning, Question, Error, Information };

// Buttons "&Ja", "&Nein", "Abbrechen"; closing the box is Cancel.
TAnswer AskYesNoCancel(QWidget *parent, const QString &caption, const QString &text, TKind kind);
// Buttons "&Ja", "&Nein"; closing the box is No.
bool AskYesNo(QWidget *parent, const QString &caption, const QString &text, TKind kind);

// A message with an OK button.
void ShowMessage(QWidget *parent, const QString &caption, const QString &text, TKind kind);

// Answers a tool-tip event of `widget` by showing its tool tip as plain
// text (Qt would read a file name like "<h1>…" as markup); false when the
// event is no tool-tip event or the widget has no tool tip.
bool ShowPlainToolTip(QWidget *widget, QEvent *event);

// `filter` in the stored form "Beschreibung|*.ext|..."; empty result on cancel.
QStringList GetOpenFileNames(QWidget *parent, const QString &title, const QString &filter,
                             const QString &preset, const QString &defaultExt);
QString GetSaveFileName(QWidget *parent, const QString &title, const QString &filter, const QString &preset);
bool GetFont(QWidget *parent, QFont &font);

struct THooks
{
    std::function<TAnswer(const QString &caption, const QString &text)> ask;
    std::function<QStringList(const QString &title, const QString &filter, const QString &preset)> open;
    std::function<QString(const QString &title, const QString &filter, const QString &preset)> save;
    std::function<bool(QFont &font)> font;
    std::function<void(const QString &caption, const QString &text)> message;
};
// nullptr restores the real dialogs.
void SetHooks(const THooks *hooks);

} // namespace dialogs
