#include "dialogs/core/ProgramCommand.h"

namespace programcommand {

namespace {

bool IsBlank(QChar c)
{
    return c == QLatin1Char(' ') || c == QLatin1Char('\t');
}

} // namespace

TCommand Split(const QString &commandLine)
{
    QStringList words;
    QString word;
    for (const QChar c : commandLine) {
        if (!IsBlank(c)) {
            word += c;
        } else if (!word.isEmpty()) {
            words << word;
            word.clear();
        }
    }
    if (!word.isEmpty())
        words << word;

    TCommand command;
    if (!words.isEmpty())
        command.program = words.takeFirst();
    command.arguments = words;
    return command;
}

TCommand WithFile(const QString &commandLine, const QString &fileName)
{
    TCommand command = Split(commandLine);
    command.arguments << fileName;
    return command;
}

} // namespace programcommand
