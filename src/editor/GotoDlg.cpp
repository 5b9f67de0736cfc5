#include "editor/GotoDlg.h"

#include "platform/UserInteraction.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QStyle>

TLineDlg::TLineDlg(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("LineDlg"));
    setWindowTitle(QStringLiteral("Neue Zeilennummer"));
    setFixedSize(236, 93);
    QFont font(QStringLiteral("MS Sans Serif"), 8);
    font.setBold(true);
    setFont(font);

    auto *label = new QLabel(QStringLiteral("Zeilennummer eingeben:"), this);
    label->setObjectName(QStringLiteral("Label1"));
    // As wide as the field below: the bold fallback font is wider than the original.
    label->setGeometry(8, 13, 220, 13);
    LineNoEdit = new QLineEdit(this);
    LineNoEdit->setObjectName(QStringLiteral("LineNoEdit"));
    LineNoEdit->setGeometry(8, 27, 220, 21);
    label->setBuddy(LineNoEdit);
    auto *ok = new QPushButton(style()->standardIcon(QStyle::SP_DialogOkButton), QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("OKBtn"));
    ok->setGeometry(40, 56, 85, 25);
    ok->setDefault(true);
    auto *cancel =
        new QPushButton(style()->standardIcon(QStyle::SP_DialogCancelButton), QStringLiteral("Abbruch"), this);
    cancel->setObjectName(QStringLiteral("CancelBtn"));
    cancel->setGeometry(144, 56, 85, 25);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    LineNoEdit->setFocus();
    if (const QScreen *screen = QApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

std::optional<QString> TLineDlg::Ask(QWidget *parent, const QString &preset)
{
    TLineDlg dialog(parent);
    dialog.LineNoEdit->setText(preset);
    dialog.LineNoEdit->selectAll();
    if (dialogs::User().Exec(dialog) != QDialog::Accepted)
        return std::nullopt;
    return dialog.LineNoEdit->text();
}
