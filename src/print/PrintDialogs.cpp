#include "print/PrintDialogs.h"

#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QPrinter>

namespace printdialogs {

namespace {

const THooks *g_hooks = nullptr;

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

void SetHooks(const THooks *hooks)
{
    g_hooks = hooks;
}

std::optional<TPrintChoice> AskPrint(QWidget *parent, QPrinter &printer, bool offerSelection)
{
    if (g_hooks && g_hooks->print)
        return g_hooks->print(offerSelection);
    printer.setPrintRange(QPrinter::AllPages);
    TPrintDialog dialog(&printer, parent);
    dialog.setOption(QAbstractPrintDialog::PrintSelection, offerSelection);
    dialog.setOption(QAbstractPrintDialog::PrintPageRange, false);
    dialog.setOption(QAbstractPrintDialog::PrintCurrentPage, false);
    dialog.setOption(QAbstractPrintDialog::PrintToFile, true);
    if (dialog.exec() != QDialog::Accepted)
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
    if (g_hooks && g_hooks->setup) {
        g_hooks->setup();
        return;
    }
    QPageSetupDialog dialog(&printer, parent);
    dialog.exec();
}

} // namespace printdialogs
