#include "platform/Dialogs.h"

#include <QHelpEvent>
#include <QTextDocument>
#include <QToolTip>

namespace dialogs {

TAnswer AskYesNoCancel(QWidget *parent, const QString &caption, const QString &text, TKind kind)
{
    return User().Ask(parent, caption, text, kind, true);
}

bool AskYesNo(QWidget *parent, const QString &caption, const QString &text, TKind kind)
{
    return User().Ask(parent, caption, text, kind, false) == TAnswer::Yes;
}

void ShowMessage(QWidget *parent, const QString &caption, const QString &text, TKind kind)
{
    User().ShowMessage(parent, caption, text, kind);
}

bool ShowPlainToolTip(QWidget *widget, QEvent *event)
{
    if (event->type() != QEvent::ToolTip || widget->toolTip().isEmpty())
        return false;
    const auto *help = static_cast<QHelpEvent *>(event);
    QToolTip::showText(help->globalPos(), Qt::convertFromPlainText(widget->toolTip(), Qt::WhiteSpaceNoWrap), widget,
                       QRect(), widget->toolTipDuration());
    return true;
}

QStringList GetOpenFileNames(QWidget *parent, const QString &title, const QString &filter, const QString &preset,
                             const QString &defaultExt)
{
    return User().GetOpenFileNames(parent, title, filter, preset, defaultExt);
}

QString GetSaveFileName(QWidget *parent, const QString &title, const QString &filter, const QString &preset)
{
    return User().GetSaveFileName(parent, title, filter, preset);
}

bool GetFont(QWidget *parent, QFont &font)
{
    return User().GetFont(parent, font);
}

} // namespace dialogs
