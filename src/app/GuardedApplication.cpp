#include "app/GuardedApplication.h"

#include "platform/ErrorDisplay.h"

TGuardedApplication::TGuardedApplication(int &argc, char **argv) : QApplication(argc, argv)
{
}

bool TGuardedApplication::notify(QObject *receiver, QEvent *event)
{
    // An exception leaving an event handler would reach the event loop and
    // terminate the program.
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        errordisplay::ShowFailure(std::current_exception());
        return true;
    }
}
