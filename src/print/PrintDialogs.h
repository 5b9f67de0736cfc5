#pragma once
// The print and printer setup dialogs over the printer of the run, run
// through dialogs::User().
#include <optional>

class QPrinter;
class QWidget;

namespace printdialogs {

struct TPrintChoice
{
    int Copies = 1;
    bool Selection = false; // the user chose to print the selection
};

// Copies and the range all or selection (the selection offered only when
// `offerSelection`, and then chosen beforehand when `selectionFirst`); no
// page range. Nothing when the user cancels. The printer is left at one
// copy: every copy is a job of its own.
std::optional<TPrintChoice> AskPrint(QWidget *parent, QPrinter &printer, bool offerSelection,
                                     bool selectionFirst = false);

// Paper and orientation of the chosen printer, kept for later jobs.
void SetupPrinter(QWidget *parent, QPrinter &printer);

} // namespace printdialogs
