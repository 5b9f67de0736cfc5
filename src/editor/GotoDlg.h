#pragma once
#include <QDialog>
#include <optional>

class QLineEdit;

// "Neue Zeilennummer": asks for the line to go to.
class TLineDlg : public QDialog
{
    Q_OBJECT
public:
    explicit TLineDlg(QWidget *parent = nullptr);
    QLineEdit *LineNoEdit = nullptr;

    // Shows the dialog with `preset` as the entry; the entry on OK, nothing
    // on cancel.
    static std::optional<QString> Ask(QWidget *parent, const QString &preset);
};
