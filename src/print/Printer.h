#pragma once
// The one printer of the run: the print and printer setup dialogs choose
// it, every job goes to it. Its document name is the print job title.
class QPrinter;

namespace printing {

QPrinter &ThePrinter();

} // namespace printing
