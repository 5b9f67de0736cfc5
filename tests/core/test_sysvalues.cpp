#include "about/core/SysValues.h"

#include <gtest/gtest.h>

using namespace sysvalues;

TEST(SysValues, MemoryFiguresSaturateWhileDiskFiguresKeepTheirLowerHalf)
{
    EXPECT_EQ(Saturate32(0), 0u);
    EXPECT_EQ(Saturate32(4294967295ull), 4294967295u);
    EXPECT_EQ(Saturate32(4294967296ull), 4294967295u);
    EXPECT_EQ(Saturate32(24ull << 30), 4294967295u); // 24 GiB

    EXPECT_EQ(Lower32(10ll << 30), 2147483648u); // 10 GiB modulo 4 GiB
    EXPECT_EQ(Lower32(-1), 4294967295u);         // the failed query
    EXPECT_EQ(Lower32(4294967296ll + 5), 5u);
}

TEST(SysValues, MemInfoIsReadInBytes)
{
    const QByteArray text = "MemTotal:       24683748 kB\n"
                            "MemFree:        20000000 kB\n"
                            "MemAvailable:   24159292 kB\n"
                            "Buffers:          100000 kB\n"
                            "Cached:          1000000 kB\n"
                            "SwapCached:            0 kB\n"
                            "SwapTotal:       2097148 kB\n"
                            "SwapFree:        1048574 kB\n"
                            "HugePages_Total:       0\n";
    const TMemInfo info = ParseMemInfo(text);
    ASSERT_TRUE(info.valid);
    EXPECT_EQ(info.memTotal, 24683748ull * 1024);
    EXPECT_EQ(info.memAvailable, 24159292ull * 1024);
    EXPECT_EQ(info.swapTotal, 2097148ull * 1024);
    EXPECT_EQ(info.swapFree, 1048574ull * 1024);
}

TEST(SysValues, MemInfoOfOldKernelsAndBrokenTexts)
{
    // No MemAvailable before Linux 3.14: free memory plus buffers and cache.
    const TMemInfo old = ParseMemInfo("MemTotal: 1000 kB\nMemFree: 100 kB\nBuffers: 20 kB\nCached: 300 kB\n");
    ASSERT_TRUE(old.valid);
    EXPECT_EQ(old.memAvailable, 420ull * 1024);
    EXPECT_EQ(old.swapTotal, 0u);

    EXPECT_FALSE(ParseMemInfo("").valid);
    EXPECT_FALSE(ParseMemInfo("MemTotal: lots kB\n").valid);
    EXPECT_FALSE(ParseMemInfo("MemTotal: 5 MB\n").valid);
    // Overflowing numbers are ignored rather than wrapped.
    EXPECT_FALSE(ParseMemInfo("MemTotal: 99999999999999999999 kB\n").valid);
    EXPECT_FALSE(ParseMemInfo("MemTotal: 18014398509481984 kB\n").valid);

    // Available never exceeds the total, free swap never its total.
    const TMemInfo odd = ParseMemInfo("MemTotal: 10 kB\nMemAvailable: 20 kB\nSwapTotal: 1 kB\nSwapFree: 2 kB\n");
    EXPECT_EQ(odd.memAvailable, odd.memTotal);
    EXPECT_EQ(odd.swapFree, odd.swapTotal);
}

TEST(SysValues, MemoryLoadIsThePercentageInUse)
{
    EXPECT_EQ(MemoryLoad(0, 0), 0);
    EXPECT_EQ(MemoryLoad(1000, 1000), 0);
    EXPECT_EQ(MemoryLoad(1000, 0), 100);
    EXPECT_EQ(MemoryLoad(199, 99), 50);
    EXPECT_EQ(MemoryLoad(4ull << 30, 3ull << 30), 25);
    EXPECT_EQ(MemoryLoad(100, 200), 0);
    // Totals near the top of 64 bits do not overflow.
    EXPECT_EQ(MemoryLoad(~0ull, ~0ull / 4), 75);
}

TEST(SysValues, ProcessorTypeByTheTable)
{
    EXPECT_EQ(ProcessorTypeText(21064), QStringLiteral("ALPHA 21064"));
    EXPECT_EQ(ProcessorTypeText(586), QStringLiteral("Intel Pentium"));
    EXPECT_EQ(ProcessorTypeText(620), QStringLiteral("PPC 620"));
    EXPECT_EQ(ProcessorTypeText(8664), QString());
    EXPECT_EQ(ProcessorTypeText(0), QString());

    EXPECT_EQ(ProcessorTypeNumber("i386"), 386);
    EXPECT_EQ(ProcessorTypeNumber("i686"), 586);
    EXPECT_EQ(ProcessorTypeNumber("alpha"), 21064);
    EXPECT_EQ(ProcessorTypeNumber("x86_64"), 8664);
    EXPECT_EQ(ProcessorTypeNumber("aarch64"), 0);
    // This machine's kind gives no name.
    EXPECT_EQ(ProcessorTypeText(ProcessorTypeNumber("x86_64")), QString());
}

TEST(SysValues, PlatformNamesByTheTable)
{
    EXPECT_EQ(WinModeText(0), QStringLiteral("Win32 - Extension"));
    EXPECT_EQ(WinModeText(1), QStringLiteral("Windows 95"));
    EXPECT_EQ(WinModeText(2), QStringLiteral("Windows NT"));
    EXPECT_EQ(WinModeText(3), QString());
    EXPECT_EQ(WinModeText(-1), QString());
}

TEST(SysValues, KernelReleaseGivesTheVersionText)
{
    TKernelVersion v = ParseKernelRelease("6.1.0-18-amd64");
    ASSERT_TRUE(v.valid);
    EXPECT_EQ(v.major, 6u);
    EXPECT_EQ(v.minor, 1u);
    EXPECT_EQ(v.build, 0u);
    EXPECT_EQ(VersionText(v), QStringLiteral("6.1.0"));

    EXPECT_EQ(VersionText(ParseKernelRelease("6.18.44-fc-v1272")), QStringLiteral("6.18.44"));
    EXPECT_EQ(VersionText(ParseKernelRelease("5.15")), QStringLiteral("5.15.0"));
    EXPECT_EQ(VersionText(ParseKernelRelease("4")), QStringLiteral("4.0.0"));
    EXPECT_EQ(VersionText(ParseKernelRelease("3.2.1.9")), QStringLiteral("3.2.1"));
    EXPECT_FALSE(ParseKernelRelease("").valid);
    EXPECT_FALSE(ParseKernelRelease("linux-6.1").valid);
    EXPECT_EQ(VersionText(ParseKernelRelease("")), QString());

    // Only the lower half of the build number counts: 4, 10 and a build
    // word holding 4 and 10 above 1998 give 4.10.1998.
    TKernelVersion packed;
    packed.valid = true;
    packed.major = 4;
    packed.minor = 10;
    packed.build = (4u << 24) | (10u << 16) | 1998u;
    EXPECT_EQ(VersionText(packed), QStringLiteral("4.10.1998"));
    // A number too large for 32 bits stays at the largest.
    EXPECT_EQ(ParseKernelRelease("99999999999.1").major, 4294967295u);
}

TEST(SysValues, ClockRateFromCounterTicks)
{
    EXPECT_DOUBLE_EQ(MhzFromCounts(1000000000ull), 2000.0);
    EXPECT_DOUBLE_EQ(MhzFromCounts(0), 0.0);
    EXPECT_DOUBLE_EQ(MhzFromCounts(4294967295ull), 8589.93459);
    // Beyond 32 bits the difference wraps.
    EXPECT_DOUBLE_EQ(MhzFromCounts(4294967296ull + 500000), 1.0);
}

TEST(SysValues, TempDirectoryEndsInASeparator)
{
    EXPECT_EQ(TempDirectoryFrom(QByteArray()), QStringLiteral("/tmp/"));
    EXPECT_EQ(TempDirectoryFrom("/var/tmp"), QStringLiteral("/var/tmp/"));
    EXPECT_EQ(TempDirectoryFrom("/var/tmp/"), QStringLiteral("/var/tmp/"));
}

TEST(SysValues, LowestNiceUnderTheLimit)
{
    EXPECT_EQ(LowestAllowedNice(-1), -20); // no limit
    EXPECT_EQ(LowestAllowedNice(40), -20);
    EXPECT_EQ(LowestAllowedNice(30), -10);
    EXPECT_EQ(LowestAllowedNice(20), 0);
    EXPECT_EQ(LowestAllowedNice(0), 19); // nothing below the highest nice
}
