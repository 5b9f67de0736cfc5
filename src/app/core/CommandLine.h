#pragma once
// Interpreting command lines: the program's own at start-up, and the one a
// later start hands over to the running window. No window is needed: the
// result is the list of things to do, in order.
#include <QList>
#include <QString>
#include <QStringList>
#include <functional>

namespace cmdline {

struct TAction
{
    enum Kind {
        Open,           // OpenFile(name)
        Print,          // OpenFile(name), then print that file's tab
        Oem,            // OpenFile("<unbekannt>"), then load `name` into that tab
        IniFile,        // the settings file named on the command line
        Unreachable,    // a file name the file functions cannot be given (shown form)
        UnreachableIni, // the same for the settings file
    };
    Kind kind;
    QString name;
    bool operator==(const TAction &other) const { return kind == other.kind && name == other.name; }
};

using TFileExists = std::function<bool(const QString &absoluteName)>;

// File names as the system holds them: bytes. A name that is not UTF-8
// keeps each stray byte as one character U+DC80..U+DCFF, so nothing is lost
// and such a name is told apart from every name Qt can pass to the system.
QString FromLocal(const QByteArray &bytes);
QByteArray ToLocal(const QString &name);
// False for a name holding such kept bytes.
bool Reachable(const QString &name);
// For messages: kept bytes written as \xE4.
QString Shown(const QString &name);

// The platform's "raw command line" on Linux: the program's full path, then
// every argument, joined by one blank; an argument that contains a blank is
// wrapped in double quotes.
QString RawCommandLine(const QString &programPath, const QStringList &arguments);

// A name made absolute against `baseDir`; names beginning with "<" (tabs
// without a file) and empty names stay as they are.
QString Absolute(const QString &name, const QString &baseDir);

// The program's own command line at the first show of the window.
// `arguments` are argv[1..]; names are made absolute against `baseDir` (the
// directory the program was started in) before they are tested or returned,
// except the value of the settings-file option, which is returned unchanged.
QList<TAction> InterpretOwn(const QString &rawCommandLine, const QString &programPath, const QStringList &arguments,
                            const QString &baseDir, const TFileExists &fileExists);

// The arguments (argv[1..]) a later start hands over, interpreted like the
// own command line, except that the settings option and its value are
// skipped and no arguments open nothing.
QList<TAction> InterpretHandedOver(const QStringList &arguments, const QString &programPath, const QString &baseDir,
                                   const TFileExists &fileExists);

} // namespace cmdline
