#include "about/core/SysValues.h"

#include <QList>
#include <limits>

namespace sysvalues {

quint32 Saturate32(quint64 value)
{
    return value > kAllOnes32 ? kAllOnes32 : static_cast<quint32>(value);
}

quint32 Lower32(qint64 value)
{
    return static_cast<quint32>(static_cast<quint64>(value) & kAllOnes32);
}

namespace {

// "MemTotal:       24683748 kB" -> bytes; false for anything else.
bool ParseMemLine(const QByteArray &line, QByteArray &key, quint64 &bytes)
{
    const int colon = line.indexOf(':');
    if (colon <= 0)
        return false;
    key = line.left(colon).trimmed();
    const QList<QByteArray> parts = line.mid(colon + 1).simplified().split(' ');
    if (parts.isEmpty() || parts.size() > 2)
        return false;
    bool ok = false;
    const quint64 number = parts[0].toULongLong(&ok);
    if (!ok)
        return false;
    quint64 unit = 1;
    if (parts.size() == 2) {
        if (parts[1] != "kB")
            return false;
        unit = 1024;
    }
    if (number > std::numeric_limits<quint64>::max() / unit)
        return false;
    bytes = number * unit;
    return true;
}

} // namespace

TMemInfo ParseMemInfo(const QByteArray &text)
{
    TMemInfo info;
    bool haveAvailable = false;
    quint64 memFree = 0, buffers = 0, cached = 0;
    for (const QByteArray &line : text.split('\n')) {
        QByteArray key;
        quint64 bytes = 0;
        if (!ParseMemLine(line, key, bytes))
            continue;
        if (key == "MemTotal") {
            info.memTotal = bytes;
            info.valid = true;
        } else if (key == "MemAvailable") {
            info.memAvailable = bytes;
            haveAvailable = true;
        } else if (key == "MemFree") {
            memFree = bytes;
        } else if (key == "Buffers") {
            buffers = bytes;
        } else if (key == "Cached") {
            cached = bytes;
        } else if (key == "SwapTotal") {
            info.swapTotal = bytes;
        } else if (key == "SwapFree") {
            info.swapFree = bytes;
        }
    }
    // Kernels before 3.14 have no estimate of their own; free memory plus
    // the page cache comes closest to what could be had without swapping.
    if (!haveAvailable)
        info.memAvailable = memFree + buffers + cached;
    if (info.memAvailable > info.memTotal)
        info.memAvailable = info.memTotal;
    if (info.swapFree > info.swapTotal)
        info.swapFree = info.swapTotal;
    return info;
}

int MemoryLoad(quint64 total, quint64 available)
{
    if (total == 0)
        return 0;
    const quint64 used = available >= total ? 0 : total - available;
    // Only byte counts beyond 2^57 would overflow the exact form.
    const quint64 percent =
        used <= std::numeric_limits<quint64>::max() / 100 ? used * 100 / total : used / (total / 100);
    return static_cast<int>(percent > 100 ? 100 : percent);
}

int ProcessorTypeNumber(const QByteArray &machine)
{
    if (machine == "i386")
        return 386;
    if (machine == "i486")
        return 486;
    // The platform calls every x86 from the Pentium on a 586.
    if (machine == "i586" || machine == "i686")
        return 586;
    if (machine == "x86_64")
        return 8664;
    if (machine == "alpha")
        return 21064;
    if (machine == "mips" || machine == "mips64")
        return 4000;
    return 0;
}

QString ProcessorTypeText(int number)
{
    switch (number) {
    case 386: return QStringLiteral("Intel 386");
    case 486: return QStringLiteral("Intel 486");
    case 586: return QStringLiteral("Intel Pentium");
    case 860: return QStringLiteral("Intel 860");
    case 2000: return QStringLiteral("MIPS R2000");
    case 3000: return QStringLiteral("MIPS R3000");
    case 4000: return QStringLiteral("MIPS R4000");
    case 21064: return QStringLiteral("ALPHA 21064");
    case 601: return QStringLiteral("PPC 601");
    case 603: return QStringLiteral("PPC 603");
    case 604: return QStringLiteral("PPC 604");
    case 620: return QStringLiteral("PPC 620");
    default: return QString();
    }
}

QString WinModeText(int platformNumber)
{
    switch (platformNumber) {
    case 0: return QStringLiteral("Win32 - Extension");
    case 1: return QStringLiteral("Windows 95");
    case 2: return QStringLiteral("Windows NT");
    default: return QString();
    }
}

TKernelVersion ParseKernelRelease(const QByteArray &release)
{
    TKernelVersion version;
    quint32 parts[3] = {0, 0, 0};
    int index = 0;
    int pos = 0;
    while (index < 3) {
        int start = pos;
        quint64 number = 0;
        while (pos < release.size() && release[pos] >= '0' && release[pos] <= '9') {
            number = number * 10 + static_cast<quint64>(release[pos] - '0');
            if (number > kAllOnes32)
                number = kAllOnes32;
            ++pos;
        }
        if (pos == start)
            break;
        parts[index++] = static_cast<quint32>(number);
        if (pos >= release.size() || release[pos] != '.')
            break;
        ++pos;
    }
    if (index == 0)
        return version;
    version.valid = true;
    version.major = parts[0];
    version.minor = parts[1];
    version.build = parts[2];
    return version;
}

QString VersionText(const TKernelVersion &version)
{
    if (!version.valid)
        return QString();
    return QStringLiteral("%1.%2.%3").arg(version.major).arg(version.minor).arg(version.build & 0xFFFFu);
}

double MhzFromCounts(quint64 difference)
{
    return static_cast<double>(static_cast<quint32>(difference & kAllOnes32)) / 500000.0;
}

QString TempDirectoryFrom(const QByteArray &tmpdir)
{
    QString dir = tmpdir.isEmpty() ? QStringLiteral("/tmp") : QString::fromLocal8Bit(tmpdir);
    if (!dir.endsWith(QLatin1Char('/')))
        dir += QLatin1Char('/');
    return dir;
}

int LowestAllowedNice(qint64 rlimitNice)
{
    if (rlimitNice < 0 || rlimitNice >= 40)
        return -20;
    return static_cast<int>(20 - rlimitNice) > 19 ? 19 : static_cast<int>(20 - rlimitNice);
}

} // namespace sysvalues
