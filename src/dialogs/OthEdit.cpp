#include "dialogs/OthEdit.h"

#include "platform/UserInteraction.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QStandardPaths>
#include <QStyle>

namespace {

const QString ExeFilter = QStringLiteral("Anwendung (*.exe)");
const QString AnyProgramFilter = QStringLiteral("Programme (*)");
const QString ExeSuffix = QStringLiteral("exe");

// Where the browse dialog starts: a bare program name is shown where the
// search path finds it, anything else as it stands.
QString StartName(const QString &name)
{
    if (name.isEmpty() || name.contains(QLatin1Char('/')))
        return name;
    const QString found = QStandardPaths::findExecutable(name);
    return found.isEmpty() ? name : found;
}

// ".exe" completes a typed name only when that finds a file the name alone
// does not: programs here have no extension and must come back unchanged.
// The extension is matched in any case, as the old platform did.
QString WithDefaultSuffix(const QString &chosen)
{
    const QFileInfo info(chosen);
    if (info.exists() || info.fileName().contains(QLatin1Char('.')))
        return chosen;
    const QDir folder = info.absoluteDir();
    const QStringList found =
        folder.entryList({info.fileName() + QLatin1Char('.') + ExeSuffix}, QDir::Files, QDir::Name);
    return found.isEmpty() ? chosen : folder.filePath(found.constFirst());
}

} // namespace

TOtherEditorForm::TOtherEditorForm(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("OtherEditorForm"));
    setWindowTitle(QStringLiteral("Anderer Editor"));
    setFixedSize(427, 78);
    setFont(QFont(QStringLiteral("Times New Roman"), 10));
    QPalette colors = palette();
    for (const QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        colors.setColor(role, Qt::black);
    setPalette(colors);

    FileNameEdit = new QLineEdit(this);
    FileNameEdit->setObjectName(QStringLiteral("FileNameEdit"));
    FileNameEdit->setGeometry(8, 8, 417, 22);
    // The field has no label of its own; the caption says what it holds.
    FileNameEdit->setAccessibleName(QStringLiteral("Anderer Editor"));
    OKBtn = new QPushButton(style()->standardIcon(QStyle::SP_DialogOkButton), QStringLiteral("OK"), this);
    OKBtn->setObjectName(QStringLiteral("OKBtn"));
    OKBtn->setGeometry(8, 40, 89, 33);
    OKBtn->setDefault(true);
    CancelBtn =
        new QPushButton(style()->standardIcon(QStyle::SP_DialogCancelButton), QStringLiteral("Abbrechen"), this);
    CancelBtn->setObjectName(QStringLiteral("CancelBtn"));
    CancelBtn->setGeometry(112, 40, 89, 33);
    SearchBtn = new QPushButton(QStringLiteral("Durchsuchen..."), this);
    SearchBtn->setObjectName(QStringLiteral("SearchBtn"));
    SearchBtn->setGeometry(304, 32, 121, 25);
    SearchBtn->setAutoDefault(false);
    connect(OKBtn, &QPushButton::clicked, this, &QDialog::accept);
    connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
    connect(SearchBtn, &QPushButton::clicked, this, &TOtherEditorForm::SearchBtnClick);
    FileNameEdit->setFocus();
}

void TOtherEditorForm::SearchBtnClick()
{
    QFileDialog dialog(this, QStringLiteral("Anderen Editor auswählen"));
    // Qt's own dialog: German captions and case-blind patterns everywhere.
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    // Any name is taken, as the old dialog took it; the name is not checked
    // before the hand-over either.
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilters({ExeFilter, AnyProgramFilter});
    const QString start = StartName(FileNameEdit->text());
    // The program named must be visible where the dialog starts.
    dialog.selectNameFilter(QFileInfo(start).suffix().compare(ExeSuffix, Qt::CaseInsensitive) == 0 ? ExeFilter
                                                                                                   : AnyProgramFilter);
    if (!start.isEmpty())
        dialog.selectFile(start);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    FileNameEdit->setText(WithDefaultSuffix(dialog.selectedFiles().constFirst()));
}

bool TOtherEditorForm::Edit(QWidget *parent, QString &command)
{
    TOtherEditorForm dialog(parent);
    dialog.FileNameEdit->setText(command);
    dialog.FileNameEdit->selectAll();
    if (dialogs::User().Exec(dialog) != QDialog::Accepted)
        return false;
    command = dialog.FileNameEdit->text();
    return true;
}
