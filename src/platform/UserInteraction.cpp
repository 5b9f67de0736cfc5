#include "platform/UserInteraction.h"

#include "platform/AppTitle.h"
#include "platform/core/FileFilter.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDialog>
#include <QFileDialog>
#include <QFontDialog>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QUrl>

namespace {

using dialogs::TAnswer;
using dialogs::TKind;

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

void Prepare(QFileDialog &dialog, const QString &filter, const QString &preset)
{
    // Qt's own dialog: the same German captions and the same
    // case-insensitive pattern matching on every desktop.
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    dialog.setNameFilters(filefilter::ToNameFilters(filter));
    if (!preset.isEmpty())
        dialog.selectFile(preset);
}

class TDesktopUser final : public TUserInteraction
{
public:
    TAnswer Ask(QWidget *parent, const QString &caption, const QString &text, TKind kind, bool withCancel) override
    {
        QMessageBox box(IconOf(kind), caption, Shown(text), QMessageBox::NoButton, parent);
        box.setTextFormat(Qt::PlainText);
        box.setWindowTitle(apptitle::WindowCaption(caption));
        QPushButton *yes = box.addButton(QStringLiteral("&Ja"), QMessageBox::YesRole);
        QPushButton *no = box.addButton(QStringLiteral("&Nein"), QMessageBox::NoRole);
        QPushButton *cancel =
            withCancel ? box.addButton(QStringLiteral("Abbrechen"), QMessageBox::RejectRole) : nullptr;
        box.setDefaultButton(yes);
        box.setEscapeButton(cancel ? cancel : no);
        box.exec();
        if (box.clickedButton() == yes)
            return TAnswer::Yes;
        if (box.clickedButton() == no)
            return TAnswer::No;
        return withCancel ? TAnswer::Cancel : TAnswer::No;
    }

    void ShowMessage(QWidget *parent, const QString &caption, const QString &text, TKind kind) override
    {
        QMessageBox box(IconOf(kind), caption, Shown(text), QMessageBox::Ok, parent);
        box.setTextFormat(Qt::PlainText);
        box.setWindowTitle(apptitle::WindowCaption(caption));
        box.exec();
    }

    void ShowError(const QString &message) override
    {
        QMessageBox box(QMessageBox::Critical, apptitle::Title(), message, QMessageBox::Ok,
                        QApplication::activeWindow());
        // Messages carry file names, which may look like markup.
        box.setTextFormat(Qt::PlainText);
        box.setWindowTitle(apptitle::WindowCaption(apptitle::Title()));
        box.exec();
    }

    QStringList GetOpenFileNames(QWidget *parent, const QString &title, const QString &filter, const QString &preset,
                                 const QString &defaultExt) override
    {
        QFileDialog dialog(parent, title);
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode(QFileDialog::ExistingFiles);
        dialog.setDefaultSuffix(defaultExt);
        Prepare(dialog, filter, preset);
        if (dialog.exec() != QDialog::Accepted)
            return {};
        return dialog.selectedFiles();
    }

    QString GetSaveFileName(QWidget *parent, const QString &title, const QString &filter,
                            const QString &preset) override
    {
        QFileDialog dialog(parent, title);
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
        Prepare(dialog, filter, preset);
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
            return {};
        return dialog.selectedFiles().first();
    }

    bool GetFont(QWidget *parent, QFont &font) override
    {
        bool ok = false;
        const QFont chosen = QFontDialog::getFont(&ok, font, parent);
        if (ok)
            font = chosen;
        return ok;
    }

    int Exec(QDialog &dialog) override { return dialog.exec(); }

    bool StartProgram(const QString &program, const QStringList &arguments) override
    {
        return QProcess::startDetached(program, arguments);
    }

    void OpenUrl(const QUrl &url) override { QDesktopServices::openUrl(url); }
};

TDesktopUser g_desktop;
TUserInteraction *g_user = nullptr;

} // namespace

namespace dialogs {

TUserInteraction &User()
{
    return g_user ? *g_user : g_desktop;
}

void SetUser(TUserInteraction *user)
{
    g_user = user;
}

} // namespace dialogs
