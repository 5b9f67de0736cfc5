#include "print/Printer.h"

#include <QCoreApplication>
#include <QPrinter>

namespace printing {

namespace {

QPrinter *g_printer = nullptr;

void DeletePrinter()
{
    delete g_printer;
    g_printer = nullptr;
}

} // namespace

QPrinter &ThePrinter()
{
    if (!g_printer) {
        g_printer = new QPrinter(QPrinter::HighResolution);
        // Before the application object goes: the printer's plug-in goes with it.
        qAddPostRoutine(DeletePrinter);
    }
    return *g_printer;
}

} // namespace printing
