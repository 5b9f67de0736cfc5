#pragma once
// The application object of the program: an exception that a command's own
// guard did not catch still ends only that event, never the program while it
// holds unsaved text; and the keyboard goes back to the window a dialog was
// opened from.
#include <QApplication>

class TGuardedApplication : public QApplication
{
public:
    TGuardedApplication(int &argc, char **argv);

    bool notify(QObject *receiver, QEvent *event) override;
};
