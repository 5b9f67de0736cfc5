#include "editor/core/DiskChange.h"

#include <gtest/gtest.h>

using diskchange::Judge;
using diskchange::TKnown;
using diskchange::TVerdict;
using diskidentity::TDiskIdentity;

namespace {

TDiskIdentity File(qint64 size, qint64 time, quint64 inode = 7)
{
    TDiskIdentity identity;
    identity.exists = true;
    identity.size = size;
    identity.modifiedNs = time;
    identity.device = 1;
    identity.inode = inode;
    return identity;
}

// A checksum reader that counts how often the file was read.
struct TReader
{
    bool readable = true;
    quint64 sum = 0;
    int reads = 0;
    std::function<bool(quint64 &)> Fn()
    {
        return [this](quint64 &out) {
            ++reads;
            out = sum;
            return readable;
        };
    }
};

TKnown Known(const TDiskIdentity &base, quint64 checksum, bool modified)
{
    TKnown known;
    known.base = base;
    known.baseChecksum = checksum;
    known.modified = modified;
    return known;
}

} // namespace

TEST(DiskChange, TheFileIsReadOnlyWhenItsMetadataChangedButNotItsSize)
{
    const TDiskIdentity base = File(10, 100);
    TReader reader{true, 42};
    // Same metadata: never read, whatever the file holds.
    EXPECT_EQ(Judge(Known(base, 42, false), base, reader.Fn()), TVerdict::Unchanged);
    EXPECT_EQ(reader.reads, 0);
    // Another size is other bytes: not read either (a huge file would
    // freeze the window for nothing).
    EXPECT_EQ(Judge(Known(base, 42, false), File(11, 200), reader.Fn()), TVerdict::Reload);
    EXPECT_EQ(reader.reads, 0);
    // New time, same size: read once; same bytes are only touched.
    EXPECT_EQ(Judge(Known(base, 42, true), File(10, 200), reader.Fn()), TVerdict::Touched);
    EXPECT_EQ(reader.reads, 1);
    // A rewrite by renaming (new inode) with the same bytes, too.
    EXPECT_EQ(Judge(Known(base, 42, true), File(10, 100, 8), reader.Fn()), TVerdict::Touched);
}

TEST(DiskChange, OtherBytesReloadUnmodifiedTextAndAskForModifiedText)
{
    const TDiskIdentity base = File(10, 100);
    TReader other{true, 43};
    EXPECT_EQ(Judge(Known(base, 42, false), File(10, 200), other.Fn()), TVerdict::Reload);
    EXPECT_EQ(Judge(Known(base, 42, true), File(10, 200), other.Fn()), TVerdict::Ask);
    EXPECT_EQ(Judge(Known(base, 42, true), File(12, 200), other.Fn()), TVerdict::Ask);
    // A file that cannot be read now is no proof of the same bytes.
    TReader unreadable{false, 42};
    EXPECT_EQ(Judge(Known(base, 42, true), File(10, 200), unreadable.Fn()), TVerdict::Ask);
}

TEST(DiskChange, AStateTheUserHeardOfIsNotBroughtUpAgainButTheNextOneIs)
{
    const TDiskIdentity base = File(10, 100);
    TReader other{true, 43};
    TKnown known = Known(base, 42, true);
    known.told = File(12, 200);
    EXPECT_EQ(Judge(known, File(12, 200), other.Fn()), TVerdict::AlreadyTold);
    EXPECT_EQ(Judge(known, File(13, 300), other.Fn()), TVerdict::Ask);

    // Gone, told, and still gone: once only.
    known.told = TDiskIdentity();
    EXPECT_EQ(Judge(known, TDiskIdentity(), other.Fn()), TVerdict::AlreadyTold);
    // Back with other bytes: asked.
    EXPECT_EQ(Judge(known, File(12, 400), other.Fn()), TVerdict::Ask);
}

TEST(DiskChange, AFileGoneIsToldOnlyWhenThereWasOne)
{
    TReader reader;
    EXPECT_EQ(Judge(Known(File(10, 100), 42, false), TDiskIdentity(), reader.Fn()), TVerdict::Gone);
    EXPECT_EQ(Judge(Known(File(10, 100), 42, true), TDiskIdentity(), reader.Fn()), TVerdict::Gone);
    // A tab opened on a name with no file (or a FIFO) behind it.
    EXPECT_EQ(Judge(Known(TDiskIdentity(), 0, false), TDiskIdentity(), reader.Fn()), TVerdict::Unchanged);
    EXPECT_EQ(reader.reads, 0);
    // A file appearing under that name is news, even empty.
    EXPECT_EQ(Judge(Known(TDiskIdentity(), 0, false), File(0, 100), reader.Fn()), TVerdict::Reload);
}

TEST(DiskChange, OverwritingAsksOnlyWhenOtherBytesWouldBeLost)
{
    const TDiskIdentity base = File(10, 100);
    TReader same{true, 42}, other{true, 43};
    EXPECT_TRUE(diskchange::SafeToOverwrite(Known(base, 42, true), base, other.Fn()));
    EXPECT_TRUE(diskchange::SafeToOverwrite(Known(base, 42, true), TDiskIdentity(), other.Fn()));
    EXPECT_TRUE(diskchange::SafeToOverwrite(Known(base, 42, true), File(10, 200), same.Fn()));
    EXPECT_FALSE(diskchange::SafeToOverwrite(Known(base, 42, true), File(10, 200), other.Fn()));
    EXPECT_FALSE(diskchange::SafeToOverwrite(Known(base, 42, true), File(9, 100), same.Fn()));
    EXPECT_FALSE(diskchange::SafeToOverwrite(Known(TDiskIdentity(), 0, true), File(0, 100), same.Fn()));
}

TEST(DiskChange, ManyFilesMakeOneTextThatNamesThemAsGiven)
{
    const QString name = QStringLiteral("/tmp/<b>%1 & %2.txt");
    EXPECT_EQ(diskchange::ReloadQuestion({name}),
              QStringLiteral("Die Datei /tmp/<b>%1 & %2.txt wurde außerhalb von Quillon 32 geändert. Neu laden und "
                             "die Änderungen hier verwerfen ?"));
    EXPECT_EQ(diskchange::GoneMessage({name}), QStringLiteral("Die Datei /tmp/<b>%1 & %2.txt existiert nicht mehr."));
    EXPECT_EQ(diskchange::OverwriteQuestion(name),
              QStringLiteral("Die Datei /tmp/<b>%1 & %2.txt wurde seit dem Laden geändert. Trotzdem überschreiben ?"));

    QStringList many;
    for (int i = 0; i < 200; ++i)
        many << QStringLiteral("d%1.txt").arg(i);
    const QString question = diskchange::ReloadQuestion(many);
    EXPECT_TRUE(question.startsWith(QStringLiteral("200 Dateien wurden außerhalb von Quillon 32 geändert:\nd0.txt\n")));
    EXPECT_TRUE(question.contains(QStringLiteral("\nd9.txt\n... und 190 weitere\n")));
    EXPECT_FALSE(question.contains(QStringLiteral("d10.txt")));
    EXPECT_TRUE(question.endsWith(QStringLiteral("Alle neu laden und die Änderungen hier verwerfen ?")));
    EXPECT_EQ(diskchange::GoneMessage({QStringLiteral("a"), QStringLiteral("b")}),
              QStringLiteral("2 Dateien existieren nicht mehr:\na\nb"));
}
