#pragma once
// The questions and system dialogs the editor asks, all answered by the
// user of dialogs::User().
#include "platform/UserInteraction.h"

#include <QFont>
#include <QString>
#include <QStringList>

class QEvent;
class QWidget;

namespace dialogs {

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
QStringList GetOpenFileNames(QWidget *parent, const QString &title, const QString &filter, const QString &preset,
                             const QString &defaultExt);
QString GetSaveFileName(QWidget *parent, const QString &title, const QString &filter, const QString &preset);
bool GetFont(QWidget *parent, QFont &font);

} // namespace dialogs
