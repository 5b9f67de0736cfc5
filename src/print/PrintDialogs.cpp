#include "print/PrintDialogs.h"

#include "platform/UserInteraction.h"

#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QPrinter>

namespace printdialogs {

namespace {

// Qt's dialog on Linux offers "from page … to page" whatever the options
// say, and enables it again whenever it is shown: we print no page ranges.
class TPrintDialog : public QPrintDialog
{
public:
    using QPrintDialog::QPrintDialog;

protected:
    void showEvent(QShowEvent *event) override
    {
        QPrintDialog::showEvent(event);
        for (const char *name : {"printRange", "from", "to"}) {
            if (auto *widget = findChild<QWidget *>(QLatin1String(name)))
                widget->setEnabled(false);
        }
    }
};

} // namespace

std::optional<TPrintChoice> AskPrint(QWidget *parent, QPrinter &printer, bool offerSelection, bool selectionFirst)
{
    printer.setPrintRange(offerSelection && selectionFirst ? QPrinter::Selection : QPrinter::AllPages);
    TPrintDialog dialog(&printer, parent);
    dialog.setOption(QAbstractPrintDialog::PrintSelection, offerSelection);
    dialog.setOption(QAbstractPrintDialog::PrintPageRange, false);
    dialog.setOption(QAbstractPrintDialog::PrintCurrentPage, false);
    dialog.setOption(QAbstractPrintDialog::PrintToFile, true);
    if (dialogs::User().Exec(dialog) != QDialog::Accepted)
        return std::nullopt;
    TPrintChoice choice;
    choice.Selection = offerSelection && printer.printRange() == QPrinter::Selection;
    choice.Copies = std::max(1, printer.copyCount());
    printer.setCopyCount(1);
    printer.setPrintRange(QPrinter::AllPages);
    return choice;
}

void SetupPrinter(QWidget *parent, QPrinter &printer)
{
    QPageSetupDialog dialog(&printer, parent);
    dialogs::User().Exec(dialog);
}

} // namespace printdialogs
