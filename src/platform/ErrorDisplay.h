#pragma once
#include <QString>
#include <exception>
#include <functional>

class QWidget;

namespace errordisplay {

// The program's general error display: a message box with the error's text
// (through dialogs::User()); the program goes on.
void Show(const QString &message);

// Runs a command; a TEditorError it raises is shown, a TAbort ends it
// quietly, running out of memory or any other exception ends the command
// with a message. No exception of a command ends the program.
void RunGuarded(const std::function<void()> &command);

// Shows what a caught exception means for the user, as RunGuarded does.
void ShowFailure(std::exception_ptr failure);

} // namespace errordisplay
