#include "editor/core/FileNames.h"

namespace filenames {

bool IsUntitledName(const QString &name)
{
    return name.startsWith(QLatin1Char('<'));
}

QString ShortName(const QString &fullName)
{
    return fullName.mid(fullName.lastIndexOf(QLatin1Char('/')) + 1);
}

QString CleanFileName(const QString &name, const std::function<bool(const QString &)> &exists)
{
    qsizetype first = 0;
    while (first < name.size() && (name.at(first) == QLatin1Char(' ') || name.at(first) == QLatin1Char('"')))
        ++first;
    QString cleaned = name.mid(first);
    if (cleaned.endsWith(QLatin1Char('"')))
        cleaned.chop(1);
    if (cleaned != name && !IsUntitledName(name) && exists && exists(name))
        return name;
    return cleaned;
}

} // namespace filenames
