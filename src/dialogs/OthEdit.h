#pragma once
#include <QDialog>

class QLineEdit;
class QPushButton;

// "Anderer Editor": the program a file is handed over to.
class TOtherEditorForm : public QDialog
{
    Q_OBJECT
public:
    explicit TOtherEditorForm(QWidget *parent = nullptr);

    QLineEdit *FileNameEdit = nullptr;
    QPushButton *OKBtn = nullptr;
    QPushButton *CancelBtn = nullptr;
    QPushButton *SearchBtn = nullptr;

    // "Durchsuchen...": browse for the program, starting at the one named.
    void SearchBtnClick();

    // Shows the dialog with `command`; on OK `command` becomes the text
    // exactly as typed and the result is true, on cancel it stays as it was.
    static bool Edit(QWidget *parent, QString &command);
};
