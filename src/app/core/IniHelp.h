#pragma once
#include <QString>
#include <functional>

namespace inihelp {

struct TIniLocationInput
{
    QString executablePath; // full path of the running program
    QString xdgConfigHome;  // $XDG_CONFIG_HOME, may be empty
    QString home;           // $HOME, may be empty
    std::function<bool(const QString &)> fileExists;
};

// The settings file: beside the program (its name with the extension
// replaced by ".ini") when that file exists; otherwise in the user's
// configuration folder, "<config>/Quillon/<program>/<program>.ini"; without
// a configuration folder, beside the program after all.
QString IniFileNameFor(const TIniLocationInput &input);

// The rule above for this process, computed once; the folders of the
// per-user location are created when missing.
QString GetIniFileName();

} // namespace inihelp
