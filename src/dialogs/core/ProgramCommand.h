#pragma once
// A command line "program arguments" as the old platform's program start
// read it: split at blanks, nothing quoted, nothing interpreted.
#include <QString>
#include <QStringList>

namespace programcommand {

struct TCommand
{
    QString program;
    QStringList arguments;
};

// Words separated by runs of blanks (space or tab); the first word is the
// program. Quotes and shell characters are ordinary characters, so a path
// with a blank becomes two words. Empty program for a blank line.
TCommand Split(const QString &commandLine);

// The command that opens `fileName` with the program of `commandLine`: the
// setting is split as above, the file's name is always exactly one further
// argument, whatever blanks, quotes or dashes it holds. Empty program for a
// blank setting.
TCommand WithFile(const QString &commandLine, const QString &fileName);

} // namespace programcommand
