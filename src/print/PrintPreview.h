#pragma once
// Qt's print preview over the printer of the run, run through
// dialogs::User().
#include <functional>

class QPrinter;
class QWidget;

namespace printpreview {

// Shows the pages `paint` prints on `printer`, in the printer's page setup;
// a page setup changed in the preview stays for later jobs. `paint` runs
// again whenever the preview needs its pages anew; what it raises is shown
// once the pages are drawn. Printing from the preview calls `print` with the
// preview as parent; the preview closes when it printed.
void Show(QWidget *parent, QPrinter &printer, const std::function<void()> &paint,
          const std::function<bool(QWidget *)> &print);

} // namespace printpreview
