#include "app/core/IniHelp.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace inihelp {

namespace {
const char *const kVendor = "Quillon";
}

QString IniFileNameFor(const TIniLocationInput &input)
{
    const QFileInfo exe(input.executablePath);
    const QString base = exe.completeBaseName().isEmpty() ? exe.fileName() : exe.completeBaseName();
    const QString besideProgram = exe.absolutePath() + QLatin1Char('/') + base + QStringLiteral(".ini");
    if (input.fileExists && input.fileExists(besideProgram))
        return besideProgram;
    QString config = input.xdgConfigHome;
    if (config.isEmpty() && !input.home.isEmpty())
        config = input.home + QStringLiteral("/.config");
    if (config.isEmpty() || !QDir::isAbsolutePath(config))
        return besideProgram;
    return QDir::cleanPath(config) + QLatin1Char('/') + QLatin1String(kVendor) + QLatin1Char('/') + base
           + QLatin1Char('/') + base + QStringLiteral(".ini");
}

QString GetIniFileName()
{
    static const QString name = [] {
        TIniLocationInput input;
        input.executablePath = QCoreApplication::applicationFilePath();
        input.xdgConfigHome = qEnvironmentVariable("XDG_CONFIG_HOME");
        input.home = qEnvironmentVariable("HOME");
        input.fileExists = [](const QString &path) { return QFileInfo(path).isFile(); };
        const QString result = IniFileNameFor(input);
        QDir().mkpath(QFileInfo(result).absolutePath());
        return result;
    }();
    return name;
}

} // namespace inihelp
