#include "platform/DisplayFont.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QStringList>
#include <QtGlobal>

namespace displayfont {

namespace {

const QString &OurFamily()
{
    static const QString family = QStringLiteral("Quillon 1252");
    return family;
}

bool &Installed()
{
    static bool installed = false;
    return installed;
}

// Qt 6.4 has no per-application fallback family; a substitution is the one
// thing Qt consults for a bare family name, and it tries the substitutes
// only for characters the family itself lacks.
void AddFallback(const QString &family)
{
    if (family.isEmpty() || family.compare(OurFamily(), Qt::CaseInsensitive) == 0)
        return;
    if (QFont::substitutes(family).contains(OurFamily(), Qt::CaseInsensitive))
        return;

    QStringList substitutes;
    // An alias such as "Times New Roman" (Liberation Serif via fontconfig)
    // is no family of Qt's own: Qt would take the first substitute that
    // exists as the main font, and that must not be ours, which has no
    // letters. So the family the alias stands for goes first.
    const QString resolved = QFontInfo(QFont(family)).family();
    if (!resolved.isEmpty() && resolved.compare(family, Qt::CaseInsensitive) != 0
        && resolved.compare(OurFamily(), Qt::CaseInsensitive) != 0)
        substitutes << resolved;
    substitutes << OurFamily();
    QFont::insertSubstitutions(family, substitutes);
}

} // namespace

void Install()
{
    if (Installed())
        return;
    Installed() = true;
    const int id = QFontDatabase::addApplicationFont(QStringLiteral(":/fonts/Quillon1252.ttf"));
    if (id < 0)
        qWarning("displayfont: cannot load :/fonts/Quillon1252.ttf; bytes 0x80-0x9F stay blank");
}

QFont Prepare(const QFont &font)
{
    Install();
    QFont prepared(font);
    const QStringList families = font.families().isEmpty() ? QStringList(font.family()) : font.families();
    for (const QString &family : families)
        AddFallback(family);
    // A font that refuses merging would never reach the fallback.
    if (font.styleStrategy() & QFont::NoFontMerging)
        prepared.setStyleStrategy(QFont::StyleStrategy(font.styleStrategy() & ~QFont::NoFontMerging));
    return prepared;
}

} // namespace displayfont
