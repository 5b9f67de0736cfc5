#include "editor/FindDialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

TFindDialog::TFindDialog(QWidget *parent, bool replacing) : QDialog(parent), m_replacing(replacing)
{
    setWindowTitle(replacing ? QStringLiteral("Ersetzen") : QStringLiteral("Suchen"));
    setModal(false);
    auto *fields = new QGridLayout;
    m_findEdit = new QLineEdit(this);
    m_findEdit->setObjectName(QStringLiteral("FindEdit"));
    auto *findLabel = new QLabel(QStringLiteral("Suchen nach:"), this);
    findLabel->setBuddy(m_findEdit);
    fields->addWidget(findLabel, 0, 0);
    fields->addWidget(m_findEdit, 0, 1);
    if (replacing) {
        m_replaceEdit = new QLineEdit(this);
        m_replaceEdit->setObjectName(QStringLiteral("ReplaceEdit"));
        auto *replaceLabel = new QLabel(QStringLiteral("Ersetzen durch:"), this);
        replaceLabel->setBuddy(m_replaceEdit);
        fields->addWidget(replaceLabel, 1, 0);
        fields->addWidget(m_replaceEdit, 1, 1);
    }
    m_wholeWord = new QCheckBox(QStringLiteral("Nur ganzes Wort suchen"), this);
    m_matchCase = new QCheckBox(QStringLiteral("Groß-/Kleinschreibung beachten"), this);
    auto *checks = new QVBoxLayout;
    checks->addWidget(m_wholeWord);
    checks->addWidget(m_matchCase);
    auto *options = new QHBoxLayout;
    options->addLayout(checks);
    if (!replacing) {
        auto *direction = new QGroupBox(QStringLiteral("Richtung"), this);
        m_up = new QRadioButton(QStringLiteral("Nach oben"), direction);
        m_down = new QRadioButton(QStringLiteral("Nach unten"), direction);
        m_down->setChecked(true);
        auto *directionLayout = new QHBoxLayout(direction);
        directionLayout->addWidget(m_up);
        directionLayout->addWidget(m_down);
        options->addWidget(direction);
    }
    auto *left = new QVBoxLayout;
    left->addLayout(fields);
    left->addLayout(options);
    left->addStretch(1);

    auto *buttons = new QVBoxLayout;
    m_findNext = new QPushButton(QStringLiteral("Weitersuchen"), this);
    m_findNext->setDefault(true);
    buttons->addWidget(m_findNext);
    connect(m_findNext, &QPushButton::clicked, this, [this] { Report(frFindNext); });
    if (replacing) {
        m_replace = new QPushButton(QStringLiteral("Ersetzen"), this);
        m_replaceAll = new QPushButton(QStringLiteral("Alle ersetzen"), this);
        buttons->addWidget(m_replace);
        buttons->addWidget(m_replaceAll);
        connect(m_replace, &QPushButton::clicked, this, [this] { Report(frReplace); });
        connect(m_replaceAll, &QPushButton::clicked, this, [this] { Report(frReplaceAll); });
    }
    auto *cancel = new QPushButton(QStringLiteral("Abbrechen"), this);
    buttons->addWidget(cancel);
    buttons->addStretch(1);
    connect(cancel, &QPushButton::clicked, this, &QDialog::hide);

    auto *layout = new QHBoxLayout(this);
    layout->addLayout(left, 1);
    layout->addLayout(buttons);
    connect(m_findEdit, &QLineEdit::textChanged, this, &TFindDialog::UpdateButtons);
    UpdateButtons();
}

QString TFindDialog::FindText() const
{
    return m_findEdit->text();
}

void TFindDialog::SetFindText(const QString &text)
{
    m_findEdit->setText(text);
}

QString TFindDialog::ReplaceText() const
{
    return m_replaceEdit ? m_replaceEdit->text() : QString();
}

void TFindDialog::SetReplaceText(const QString &text)
{
    if (m_replaceEdit)
        m_replaceEdit->setText(text);
}

void TFindDialog::SetOptions(TFindOptions options)
{
    m_options = options;
    m_wholeWord->setChecked(HasFindOption(options, frWholeWord));
    m_matchCase->setChecked(HasFindOption(options, frMatchCase));
    if (m_down) {
        m_down->setChecked(HasFindOption(options, frDown));
        m_up->setChecked(!HasFindOption(options, frDown));
    }
}

void TFindDialog::Execute()
{
    show();
    raise();
    activateWindow();
    m_findEdit->setFocus();
    m_findEdit->selectAll();
}

void TFindDialog::Report(TFindOption button)
{
    TFindOptions options = 0;
    // The replace dialog has no direction: its requests search downwards.
    if (!m_down || m_down->isChecked())
        options |= FindOptionBit(frDown);
    if (m_matchCase->isChecked())
        options |= FindOptionBit(frMatchCase);
    if (m_wholeWord->isChecked())
        options |= FindOptionBit(frWholeWord);
    options |= FindOptionBit(button);
    m_options = options;
    if (button == frFindNext)
        emit Find(this);
    else
        emit Replace(this);
}

void TFindDialog::UpdateButtons()
{
    const bool any = !m_findEdit->text().isEmpty();
    m_findNext->setEnabled(any);
    if (m_replace) {
        m_replace->setEnabled(any);
        m_replaceAll->setEnabled(any);
    }
}
