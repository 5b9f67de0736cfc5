#include "app/GuardedApplication.h"

#include "platform/ErrorDisplay.h"

#include <QPointer>
#include <QTimer>
#include <QWidget>

namespace {

// Without a window manager nobody gives the keyboard back when a dialog
// closes: the keys typed next would go nowhere.
void ReturnKeyboardAfter(QWidget *closing)
{
    if (!closing->isWindow() || !closing->isModal() || !closing->parentWidget())
        return;
    const QPointer<QWidget> owner = closing->parentWidget()->window();
    QTimer::singleShot(0, owner, [owner] {
        if (owner && owner->isVisible() && !QApplication::activeModalWidget() && !QApplication::activeWindow())
            owner->activateWindow();
    });
}

} // namespace

TGuardedApplication::TGuardedApplication(int &argc, char **argv) : QApplication(argc, argv)
{
}

bool TGuardedApplication::notify(QObject *receiver, QEvent *event)
{
    // An exception leaving an event handler would reach the event loop and
    // terminate the program.
    try {
        if (event->type() == QEvent::Hide && receiver->isWidgetType())
            ReturnKeyboardAfter(static_cast<QWidget *>(receiver));
        return QApplication::notify(receiver, event);
    } catch (...) {
        errordisplay::ShowFailure(std::current_exception());
        return true;
    }
}
