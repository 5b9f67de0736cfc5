#pragma once
#include <QString>
#include <stdexcept>

// An error a command reports to the user; it ends the command, the program
// goes on (the general error display shows `Message()`).
class TEditorError : public std::runtime_error
{
public:
    explicit TEditorError(const QString &message) : std::runtime_error(message.toStdString()), m_message(message) { }
    const QString &Message() const { return m_message; }

private:
    QString m_message;
};

// A file that does not fit into memory: the only loading error the user is
// told about, as the tab stays empty for a reason nobody could guess.
class TFileTooLarge : public TEditorError
{
public:
    using TEditorError::TEditorError;
};

// Ends a command silently: the user chose to stop (a declined question).
class TAbort : public std::exception
{
public:
    const char *what() const noexcept override { return "aborted"; }
};
