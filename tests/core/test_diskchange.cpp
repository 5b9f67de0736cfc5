#include "editor/core/DiskChange.h"

#include <gtest/gtest.h>

using diskchange::TVerdict;
using diskidentity::TDiskIdentity;

namespace {

TDiskIdentity File(qint64 size, qint64 time, quint64 inode = 7)
{
    return TDiskIdentity{true, size, time, 1, inode};
}

} // namespace

TEST(DiskChange, VerdictsReadTheFileOnlyWhenTheSizeAloneCannotTell)
{
    const TDiskIdentity base = File(10, 100);
    int reads = 0;
    quint64 onDisk = 42;
    const auto judge = [&](bool modified, const TDiskIdentity &now, std::optional<TDiskIdentity> told = std::nullopt) {
        const diskchange::TKnown known{base, 42, modified, told};
        return diskchange::Judge(known, now, [&](quint64 &sum) { return ++reads, sum = onDisk, true; });
    };
    EXPECT_EQ(judge(true, base), TVerdict::Unchanged);
    // Another size is other bytes: a huge file is not read for nothing.
    EXPECT_EQ(judge(false, File(11, 200)), TVerdict::Reload);
    EXPECT_EQ(judge(true, File(11, 200)), TVerdict::Ask);
    EXPECT_EQ(reads, 0);
    // New time or inode, same bytes: touched only.
    EXPECT_EQ(judge(true, File(10, 200, 8)), TVerdict::Touched);
    EXPECT_EQ(reads, 1);
    onDisk = 43;
    EXPECT_EQ(judge(true, File(10, 200)), TVerdict::Ask);
    // What the user heard of is not brought up again; the next state is.
    EXPECT_EQ(judge(true, File(10, 200), File(10, 200)), TVerdict::AlreadyTold);
    EXPECT_EQ(judge(true, File(10, 300), File(10, 200)), TVerdict::Ask);
    EXPECT_EQ(judge(false, TDiskIdentity()), TVerdict::Gone);
    EXPECT_EQ(judge(true, TDiskIdentity(), TDiskIdentity()), TVerdict::AlreadyTold);
    // No file behind the name at load (or a FIFO) and none now: nothing.
    const diskchange::TKnown none{};
    EXPECT_EQ(diskchange::Judge(none, TDiskIdentity(), nullptr), TVerdict::Unchanged);
}

TEST(DiskChange, ManyFilesMakeOneTextThatNamesThemAsGiven)
{
    EXPECT_EQ(diskchange::ReloadQuestion({QStringLiteral("<b>%2.txt")}),
              QStringLiteral("Die Datei <b>%2.txt wurde außerhalb von Quillon 32 geändert. Neu laden und die "
                             "Änderungen hier verwerfen ?"));
    QStringList many;
    for (int i = 0; i < 200; ++i)
        many << QStringLiteral("d%1.txt").arg(i);
    const QString question = diskchange::ReloadQuestion(many);
    EXPECT_TRUE(question.startsWith(QStringLiteral("200 Dateien wurden außerhalb von Quillon 32 geändert:\nd0.txt\n")));
    EXPECT_TRUE(question.endsWith(QStringLiteral("\nd9.txt\n... und 190 weitere\nAlle neu laden und die Änderungen "
                                                 "hier verwerfen ?")));
    EXPECT_EQ(diskchange::GoneMessage({QStringLiteral("a")}), QStringLiteral("Die Datei a existiert nicht mehr."));
    EXPECT_EQ(diskchange::GoneMessage({QStringLiteral("a"), QStringLiteral("%1")}),
              QStringLiteral("2 Dateien existieren nicht mehr:\na\n%1"));
}
