#pragma once
#include <QDialog>

class QPushButton;
class QTableWidget;

// "Filter einstellen": the file-type filter of the open and save dialogs,
// edited as a table of descriptions and patterns.
class TFilterSelDlg : public QDialog
{
    Q_OBJECT
public:
    explicit TFilterSelDlg(QWidget *parent = nullptr);

    QTableWidget *FilterGrid = nullptr;
    QPushButton *OKBtn = nullptr;
    QPushButton *CancelBtn = nullptr;

    // Fills the table from the filter; cells it does not reach are emptied.
    void SetFilterText(const QString &filter);
    // The filter the table now shows, including the cell being typed in.
    QString GetFilterText() const;

    // Shows the dialog with `filter`; on OK `filter` becomes the table's
    // filter and the result is true, on cancel `filter` stays as it was.
    static bool Edit(QWidget *parent, QString &filter);

protected:
    void showEvent(QShowEvent *event) override;
};
