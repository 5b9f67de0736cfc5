#include "platform/core/FileFilter.h"

#include <QRegularExpression>

namespace filefilter {

QStringList ToNameFilters(const QString &filter)
{
    QStringList result;
    const QStringList parts = filter.split(QLatin1Char('|'));
    for (int i = 0; i < parts.size(); i += 2) {
        const QString description = parts.at(i).trimmed();
        const QString patternText = i + 1 < parts.size() ? parts.at(i + 1) : QString();
        QStringList patterns;
        for (const QString &p : patternText.split(QRegularExpression(QStringLiteral("[; ]")), Qt::SkipEmptyParts)) {
            // A pattern of a tab or a no-break space alone is no pattern; kept
            // empty it would show "()" and hide every file.
            const QString pattern = p == QLatin1String("*.*") ? QStringLiteral("*") : p.trimmed();
            if (!pattern.isEmpty())
                patterns << pattern;
        }
        if (description.isEmpty() && patterns.isEmpty())
            continue;
        if (patterns.isEmpty())
            patterns << QStringLiteral("*");
        // Qt takes the last "(...)" as the patterns: strip one the
        // description already shows, so it is not read as the patterns.
        QString shown = description;
        static const QRegularExpression trailingPatterns(QStringLiteral("\\s*\\([^()]*\\)\\s*$"));
        shown.remove(trailingPatterns);
        if (shown.isEmpty())
            shown = description.isEmpty() ? patternText : description;
        result << QStringLiteral("%1 (%2)").arg(shown, patterns.join(QLatin1Char(' ')));
    }
    return result;
}

QString ExtensionPattern(const QString &fileName)
{
    const int slash = fileName.lastIndexOf(QLatin1Char('/'));
    const int dot = fileName.lastIndexOf(QLatin1Char('.'));
    if (dot <= slash)
        return QStringLiteral("*");
    return QLatin1Char('*') + fileName.mid(dot);
}

} // namespace filefilter
