#include "editor/core/DiskChange.h"

namespace diskchange {

namespace {

// Beyond this many names a list would no longer fit on the screen.
constexpr int kNamesListed = 10;

QString NameList(const QStringList &names)
{
    QStringList shown = names.mid(0, kNamesListed);
    if (names.size() > kNamesListed)
        shown << QStringLiteral("... und %1 weitere").arg(names.size() - kNamesListed);
    return shown.join(QLatin1Char('\n'));
}

bool SameBytes(const TKnown &known, const diskidentity::TDiskIdentity &now,
               const std::function<bool(quint64 &)> &checksum)
{
    if (!known.base.exists || now.size != known.base.size)
        return false;
    quint64 sum = 0;
    return checksum(sum) && sum == known.baseChecksum;
}

} // namespace

TVerdict Judge(const TKnown &known, const diskidentity::TDiskIdentity &now,
               const std::function<bool(quint64 &)> &checksum)
{
    if (now.SameAs(known.base))
        return TVerdict::Unchanged;
    if (known.told && now.SameAs(*known.told))
        return TVerdict::AlreadyTold;
    if (!now.exists)
        return known.base.exists ? TVerdict::Gone : TVerdict::Unchanged;
    if (SameBytes(known, now, checksum))
        return TVerdict::Touched;
    return known.modified ? TVerdict::Ask : TVerdict::Reload;
}

bool SafeToOverwrite(const TKnown &known, const diskidentity::TDiskIdentity &now,
                     const std::function<bool(quint64 &)> &checksum)
{
    return now.SameAs(known.base) || !now.exists || SameBytes(known, now, checksum);
}

QString ReloadQuestion(const QStringList &names)
{
    if (names.size() == 1) {
        return QStringLiteral("Die Datei %1 wurde außerhalb von Quillon 32 geändert. Neu laden und die Änderungen "
                              "hier verwerfen ?")
            .arg(names.first());
    }
    return QStringLiteral("%1 Dateien wurden außerhalb von Quillon 32 geändert:\n%2\nAlle neu laden und die "
                          "Änderungen hier verwerfen ?")
        .arg(names.size())
        .arg(NameList(names));
}

QString GoneMessage(const QStringList &names)
{
    if (names.size() == 1)
        return QStringLiteral("Die Datei %1 existiert nicht mehr.").arg(names.first());
    return QStringLiteral("%1 Dateien existieren nicht mehr:\n%2").arg(names.size()).arg(NameList(names));
}

QString OverwriteQuestion(const QString &name)
{
    return QStringLiteral("Die Datei %1 wurde seit dem Laden geändert. Trotzdem überschreiben ?").arg(name);
}

} // namespace diskchange
