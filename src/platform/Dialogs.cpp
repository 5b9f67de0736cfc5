#include "platform/Dialogs.h"

#include "platform/AppTitle.h"
#include "platform/core/FileFilter.h"

#include <QFileDialog>
#include <QHelpEvent>
#include <QFontDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QTextDocument>
#include <QToolTip>

namespace dialogs {

namespace {

const THooks *g_hooks = nullptr;

QMessageBox::Icon IconOf(TKind kind)
{
    switch (kind) {
    case TKind::Warning: return QMessageBox::Warning;
    case TKind::Question: return QMessageBox::Question;
    case TKind::Error: return QMessageBox::Critical;
    case TKind::Information: break;
    }
    return QMessageBox::Information;
}

// Every text is shown as plain text: names and settings values in it may
// look like markup.
// Texts separate their lines with a carriage return, as the messages are
// worded; the box breaks lines at "\n".
QString Shown(const QString &text)
{
    QString shown = text;
    shown.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    shown.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return shown;
}

TAnswer Ask(QWidget *parent, const QString &caption, const QString &text, TKind kind, bool withCancel)
{
    if (g_hooks && g_hooks->ask)
        return g_hooks->ask(caption, text);
    QMessageBox box(IconOf(kind), caption, Shown(text), QMessageBox::NoButton, parent);
    box.setTextFormat(Qt::PlainText);
    box.setWindowTitle(apptitle::WindowCaption(caption));
    QPushButton *yes = box.addButton(QStringLiteral("&Ja"), QMessageBox::YesRole);
    QPushButton *no = box.addButton(QStringLiteral("&Nein"), QMessageBox::NoRole);
    QPushButton *cancel = withCancel ? box.addButton(QStringLiteral("Abbrechen"), QMessageBox::RejectRole) : nullptr;
    box.setDefaultButton(yes);
    box.setEscapeButton(cancel ? cancel : no);
    box.exec();
    if (box.clickedButton() == yes)
        return TAnswer::Yes;
    if (box.clickedButton() == no)
        return TAnswer::No;
    return withCancel ? TAnswer::Cancel : TAnswer::No;
}

void Prepare(QFileDialog &dialog, const QString &filter, const QString &preset)
{
    // Qt's own dialog: the same German captions and the same
    // case-insensitive pattern matching on every desktop.
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    dialog.setNameFilters(filefilter::ToNameFilters(filter));
    if (!preset.isEmpty())
        dialog.selectFile(preset);
}

} // namespace

void SetHooks(const THooks *hooks)
{
    g_hooks = hooks;
}

TAnswer AskYesNoCancel(QWidget *parent, const QString &caption, const QString &text, TKind kind)
{
    return Ask(parent, caption, text, kind, true);
}

void ShowMessage(QWidget *parent, const QString &caption, const QString &text, TKind kind)
{
    if (g_hooks && g_hooks->message) {
        g_hooks->message(caption, text);
        return;
    }
    QMessageBox box(IconOf(kind), caption, Shown(text), QMessageBox::Ok, parent);
    box.setTextFormat(Qt::PlainText);
    box.setWindowTitle(apptitle::WindowCaption(caption));
    box.exec();
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

bool AskYesNo(QWidget *parent, const QString &caption, const QString &text, TKind kind)
{
    return Ask(parent, caption, text, kind, false) == TAnswer::Yes;
}

QStringList GetOpenFileNames(QWidget *parent, const QString &title, const QString &filter,
                             const QString &preset, const QString &defaultExt)
{
    if (g_hooks && g_hooks->open)
        return g_hooks->open(title, filter, preset);
    QFileDialog dialog(parent, title);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFiles);
    dialog.setDefaultSuffix(defaultExt);
    Prepare(dialog, filter, preset);
    if (dialog.exec() != QDialog::Accepted)
        return {};
    return dialog.selectedFiles();
}

QString GetSaveFileName(QWidget *parent, const QString &title, const QString &filter, const QString &preset)
{
    if (g_hooks && g_hooks->save)
        return g_hooks->save(title, filter, preset);
    QFileDialog dialog(parent, title);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    Prepare(dialog, filter, preset);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().first();
}

bool GetFont(QWidget *parent, QFont &font)
{
    if (g_hooks && g_hooks->font)
        return g_hooks->font(font);
    bool ok = false;
    const QFont chosen = QFontDialog::getFont(&ok, font, parent);
    if (ok)
        font = chosen;
    return ok;
}

} // namespace dialogs
