#pragma once
#include <QDialog>
#include <QSpinBox>

class QGroupBox;
class QLabel;
class QPushButton;

// A spin edit without bounds: digits, signs and the decimal separator can
// be typed, and a text that is no integer reads as 0.
class TSpinEdit : public QSpinBox
{
    Q_OBJECT
public:
    explicit TSpinEdit(QWidget *parent = nullptr);
    // The number the text now shows.
    qint32 Value() const;

protected:
    QValidator::State validate(QString &input, int &pos) const override;
    int valueFromText(const QString &text) const override;
    void fixup(QString &input) const override;
};

// "Seite zum Drucken einrichten": the print margins in millimetres.
class TPageConfigDlg : public QDialog
{
    Q_OBJECT
public:
    explicit TPageConfigDlg(QWidget *parent = nullptr);

    QGroupBox *GroupBox1 = nullptr;
    TSpinEdit *LeftEdit = nullptr;
    TSpinEdit *TopEdit = nullptr;
    TSpinEdit *BottomEdit = nullptr;
    TSpinEdit *RightEdit = nullptr;
    QPushButton *OKBtn = nullptr;
    QPushButton *CancelBtn = nullptr;

    // Shows the margins; on OK they become what the fields read (true).
    static bool Edit(QWidget *parent, qint32 &left, qint32 &right, qint32 &top, qint32 &bottom);

private:
    TSpinEdit *AddRow(const char *name, const QString &caption, int top, bool shown);
};
