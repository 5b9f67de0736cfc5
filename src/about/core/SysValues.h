#pragma once
// The figures of the system information component, computed from what
// Linux reports: memory from /proc/meminfo, the kernel version from uname,
// the processor from the machine name. Everything here is pure, so the
// component itself only gathers the raw texts and numbers.
#include <QByteArray>
#include <QString>
#include <QtGlobal>

namespace sysvalues {

// The value a 32-bit property shows for "does not fit" or "failed".
constexpr quint32 kAllOnes32 = 0xFFFFFFFFu;

// Memory figures are 32 bits wide; on a machine with more memory than that
// they stay at the largest value rather than wrapping to a small one.
quint32 Saturate32(quint64 value);

// Disk figures keep only the lower 32 bits of the byte count, as the
// property always has; a failed query (-1) reads as 4294967295.
quint32 Lower32(qint64 value);

// The fields of /proc/meminfo the component needs, in bytes.
struct TMemInfo
{
    bool valid = false; // MemTotal was found
    quint64 memTotal = 0;
    quint64 memAvailable = 0; // MemAvailable, or MemFree + Buffers + Cached on old kernels
    quint64 swapTotal = 0;
    quint64 swapFree = 0;
};
TMemInfo ParseMemInfo(const QByteArray &text);

// Percentage of the physical memory in use, 0 to 100; 0 without a total.
int MemoryLoad(quint64 total, quint64 available);

// The processor type number the platform would report for a uname machine
// name ("i686" gives 586, "x86_64" 8664, "alpha" 21064), 0 when unknown.
int ProcessorTypeNumber(const QByteArray &machine);
// The processor's name for a type number; "" for numbers outside the table.
QString ProcessorTypeText(int number);

// The platform's name for a platform number (0, 1, 2); "" for others.
QString WinModeText(int platformNumber);

struct TKernelVersion
{
    bool valid = false;
    quint32 major = 0;
    quint32 minor = 0;
    quint32 build = 0;
};
// "6.1.0-18-amd64" gives 6, 1, 0; a missing part is 0; a release that does
// not begin with a number is not valid.
TKernelVersion ParseKernelRelease(const QByteArray &release);
// major "." minor "." the lower 16 bits of build; "" when not valid.
QString VersionText(const TKernelVersion &version);

// Counter ticks in half a second as millions per second. Only the lower 32
// bits of the difference count, so the largest rate is 8589.93459.
double MhzFromCounts(quint64 difference);

// The directory for temporary files with its trailing separator: $TMPDIR
// when set, else /tmp.
QString TempDirectoryFrom(const QByteArray &tmpdir);

// The nice value a thread may lower itself to under its RLIMIT_NICE soft
// limit (the limit counts 20 - nice; RLIM_INFINITY is passed as a negative).
int LowestAllowedNice(qint64 rlimitNice);

} // namespace sysvalues
