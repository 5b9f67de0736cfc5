#include "app/GuardedApplication.h"

#include <QApplication>
#include <QDialog>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

// A modal dialog nobody answers would hang the run: the tests answer every
// question through the scripted user, so any dialog that still opens
// modally is a failure, and is closed.
class UnexpectedDialogGuard : public QObject
{
protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Show) {
            auto *dialog = qobject_cast<QDialog *>(watched);
            if (dialog && dialog->isModal()) {
                const auto *box = qobject_cast<QMessageBox *>(dialog);
                ADD_FAILURE() << "unexpected modal dialog: " << dialog->windowTitle().toStdString() << " "
                              << (box ? box->text().toStdString() : std::string());
                QTimer::singleShot(0, dialog, &QDialog::reject);
            }
        }
        return false;
    }
};

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // The settings location is created on first use: never in the real home.
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
    QTemporaryDir state; // recovery records of the windows under test
    qputenv("XDG_STATE_HOME", state.path().toLocal8Bit());
    QTemporaryDir runtime; // single-instance markers of the windows under test
    qputenv("XDG_RUNTIME_DIR", runtime.path().toLocal8Bit());
    // Print tests write PDF files; no job may reach a printer of the machine.
    qputenv("CUPS_SERVER", "/nonexistent/quillon-tests-cups.sock");
    // The program's own application object: its exception guard is tested.
    TGuardedApplication app(argc, argv);
    UnexpectedDialogGuard guard;
    app.installEventFilter(&guard);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
