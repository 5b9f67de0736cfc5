#include "print/PageDlg.h"

#include "platform/UserInteraction.h"
#include "platform/core/IntText.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QStyle>
#include <limits>

TSpinEdit::TSpinEdit(QWidget *parent) : QSpinBox(parent)
{
    setRange(std::numeric_limits<int>::min(), std::numeric_limits<int>::max());
    setSingleStep(1);
    setValue(0);
}

qint32 TSpinEdit::Value() const
{
    return inttext::StrToInt(text()).value_or(0);
}

QValidator::State TSpinEdit::validate(QString &input, int &) const
{
    const QChar decimal = locale().decimalPoint().at(0);
    for (const QChar c : input) {
        if (!c.isDigit() && c != QLatin1Char('+') && c != QLatin1Char('-') && c != decimal)
            return QValidator::Invalid;
    }
    return QValidator::Acceptable;
}

int TSpinEdit::valueFromText(const QString &text) const
{
    return inttext::StrToInt(text).value_or(0);
}

void TSpinEdit::fixup(QString &input) const
{
    input = QString::number(valueFromText(input));
}

TPageConfigDlg::TPageConfigDlg(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("PageConfigDlg"));
    setWindowTitle(QStringLiteral("Seite zum Drucken einrichten"));
    setFixedSize(349, 162);
    setFont(QFont(QStringLiteral("Times New Roman"), 10));

    GroupBox1 = new QGroupBox(QStringLiteral("Ränder"), this);
    GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
    GroupBox1->setGeometry(8, 8, 333, 105);
    LeftEdit = AddRow("Left", QStringLiteral("&Links:"), 20, true);
    TopEdit = AddRow("Top", QStringLiteral("&Oben:"), 48, true);
    BottomEdit = AddRow("Bottom", QStringLiteral("&Unten:"), 76, true);
    RightEdit = AddRow("Right", QStringLiteral("&Rechts:"), 20, false);

    OKBtn = new QPushButton(style()->standardIcon(QStyle::SP_DialogOkButton), QStringLiteral("OK"), this);
    OKBtn->setObjectName(QStringLiteral("OKBtn"));
    OKBtn->setGeometry(79, 122, 89, 33);
    OKBtn->setDefault(true);
    CancelBtn = new QPushButton(style()->standardIcon(QStyle::SP_DialogCancelButton), QStringLiteral("Abbruch"), this);
    CancelBtn->setObjectName(QStringLiteral("CancelBtn"));
    CancelBtn->setGeometry(181, 122, 89, 33);
    CancelBtn->setAutoDefault(false);
    connect(OKBtn, &QPushButton::clicked, this, &QDialog::accept);
    connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
    setTabOrder(LeftEdit, TopEdit);
    setTabOrder(TopEdit, BottomEdit);
    setTabOrder(BottomEdit, RightEdit);
    setTabOrder(RightEdit, OKBtn);
    setTabOrder(OKBtn, CancelBtn);
    LeftEdit->setFocus();
}

TSpinEdit *TPageConfigDlg::AddRow(const char *name, const QString &caption, int top, bool shown)
{
    const int left = shown ? 16 : 176;
    auto *label = new QLabel(caption, GroupBox1);
    label->setObjectName(QLatin1String(name) + QStringLiteral("Label"));
    label->setGeometry(left, top + 3, 56, 17);
    auto *edit = new TSpinEdit(GroupBox1);
    edit->setObjectName(QLatin1String(name) + QStringLiteral("Edit"));
    edit->setGeometry(left + 64, top, 81, 24);
    label->setBuddy(edit);
    auto *unit = new QLabel(QStringLiteral("mm"), GroupBox1);
    unit->setObjectName(QLatin1String(name) + QStringLiteral("Unit"));
    unit->setGeometry(left + 152, top + 3, 25, 17);
    label->setVisible(shown);
    edit->setVisible(shown);
    unit->setVisible(shown);
    return edit;
}

bool TPageConfigDlg::Edit(QWidget *parent, qint32 &left, qint32 &right, qint32 &top, qint32 &bottom)
{
    TPageConfigDlg dialog(parent);
    dialog.LeftEdit->setValue(left);
    dialog.RightEdit->setValue(right);
    dialog.TopEdit->setValue(top);
    dialog.BottomEdit->setValue(bottom);
    if (dialogs::User().Exec(dialog) != QDialog::Accepted)
        return false;
    left = dialog.LeftEdit->Value();
    right = dialog.RightEdit->Value();
    top = dialog.TopEdit->Value();
    bottom = dialog.BottomEdit->Value();
    return true;
}
