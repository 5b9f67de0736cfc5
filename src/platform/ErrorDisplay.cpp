#include "platform/ErrorDisplay.h"

#include "platform/core/EditorError.h"
#include "platform/AppTitle.h"

#include <QApplication>
#include <QMessageBox>
#include <exception>
#include <new>

namespace errordisplay {

namespace {
std::function<void(const QString &)> &Handler()
{
    static std::function<void(const QString &)> handler;
    return handler;
}
} // namespace

void SetHandler(std::function<void(const QString &)> handler)
{
    Handler() = std::move(handler);
}

void Show(const QString &message)
{
    if (Handler()) {
        Handler()(message);
        return;
    }
    QMessageBox box(QMessageBox::Critical, apptitle::Title(), message, QMessageBox::Ok,
                    QApplication::activeWindow());
    // Messages carry file names, which may look like markup.
    box.setTextFormat(Qt::PlainText);
    box.setWindowTitle(apptitle::WindowCaption(apptitle::Title()));
    box.exec();
}

void ShowFailure(std::exception_ptr failure)
{
    try {
        std::rethrow_exception(failure);
    } catch (const TEditorError &error) {
        Show(error.Message());
    } catch (const TAbort &) {
    } catch (const std::bad_alloc &) {
        // What the command allocated is freed again by now: there is memory
        // enough for the box, and the texts are as they were.
        Show(QStringLiteral("Der Befehl kann nicht ausgeführt werden: zu wenig Arbeitsspeicher"));
    } catch (...) {
        Show(QStringLiteral("Der Befehl ist mit einem Fehler abgebrochen worden."));
    }
}

void RunGuarded(const std::function<void()> &command)
{
    try {
        command();
    } catch (...) {
        ShowFailure(std::current_exception());
    }
}

} // namespace errordisplay
