#pragma once
// The print and printer setup dialogs over the printer of the run. Tests
// answer in place of the dialogs.
#include <functional>
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
// `offerSelection`); no page range. Nothing when the user cancels. The
// printer is left at one copy: every copy is a job of its own.
std::optional<TPrintChoice> AskPrint(QWidget *parent, QPrinter &printer, bool offerSelection);

// Paper and orientation of the chosen printer, kept for later jobs.
void SetupPrinter(QWidget *parent, QPrinter &printer);

struct THooks
{
    std::function<std::optional<TPrintChoice>(bool offerSelection)> print;
    std::function<void()> setup;
};
// nullptr restores the real dialogs.
void SetHooks(const THooks *hooks);

} // namespace printdialogs
