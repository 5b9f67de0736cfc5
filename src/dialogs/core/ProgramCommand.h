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

} // namespace programcommand
