#include "platform/ErrorDisplay.h"

#include "platform/core/EditorError.h"
#include "platform/UserInteraction.h"

#include <exception>
#include <new>

namespace errordisplay {

void Show(const QString &message)
{
    dialogs::User().ShowError(message);
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
