#include "editor/core/Journal.h"
#include "editor/core/JournalStore.h"
#include "platform/core/DiskIdentity.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace journal;

namespace {

QByteArray ReadAll(const QString &name)
{
    QFile file(name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

void WriteFile(const QString &name, const QByteArray &bytes)
{
    QFile file(name);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(file.write(bytes), bytes.size());
}

THeader NamedHeader(TKind kind, const QString &name)
{
    THeader header;
    header.kind = kind;
    header.fileName = name;
    header.untitled = false;
    header.encoding = encoding::TEncoding::Utf8;
    header.baseExists = true;
    header.baseSize = 12;
    header.baseModifiedNs = 1234567890123456789LL;
    header.baseChecksum = 42;
    return header;
}

// A copy followed by random edits, and the text they make, worked out the
// plain way.
QByteArray RandomRecord(QByteArray &expected, int edits, quint32 seed)
{
    QRandomGenerator random(seed);
    expected = QByteArray("Grüße aus \x80\x9f und NUL \0 dort", 30);
    QByteArray record = EncodeHeader(NamedHeader(TKind::Copy, QStringLiteral("/tmp/ä b.txt")), expected);
    for (int i = 0; i < edits; ++i) {
        const qint64 at = random.bounded(expected.size() + 1);
        if (random.bounded(3) == 0 && at < expected.size()) {
            const qint64 length = 1 + random.bounded(int(std::min<qint64>(expected.size() - at, 40)));
            AppendDelete(record, at, length);
            expected.remove(at, length);
        } else {
            QByteArray bytes(1 + random.bounded(30), '\0');
            for (char &byte : bytes)
                byte = char(random.bounded(256));
            AppendInsert(record, at, bytes.constData(), bytes.size());
            expected.insert(at, bytes);
        }
    }
    return record;
}

} // namespace

TEST(JournalFormat, CopyAndEditsGiveBackTheExactBytesAndTheHeader)
{
    for (quint32 seed : {1u, 2u, 3u, 77u}) {
        QByteArray expected;
        const QByteArray data = RandomRecord(expected, 400, seed);
        TRecord record;
        ASSERT_TRUE(Parse(data, record));
        EXPECT_FALSE(record.tornTail);
        EXPECT_EQ(record.edits.size(), 400u);
        EXPECT_EQ(record.header.fileName, QStringLiteral("/tmp/ä b.txt"));
        EXPECT_FALSE(record.header.untitled);
        EXPECT_EQ(record.header.encoding, encoding::TEncoding::Utf8);
        EXPECT_EQ(record.header.baseModifiedNs, 1234567890123456789LL);
        EXPECT_EQ(record.header.baseChecksum, 42u);
        QByteArray text;
        ASSERT_EQ(Rebuild(record, QByteArray(), text), TRebuild::Done);
        EXPECT_EQ(text, expected) << "seed " << seed;
    }
}

TEST(JournalFormat, EditsOnTheFileOnDiskNeedThatVeryFile)
{
    const QByteArray base("line one\r\nline two\r\n");
    THeader header = NamedHeader(TKind::Base, QStringLiteral("/x.txt"));
    header.baseSize = base.size();
    header.baseChecksum = diskidentity::Checksum(base.constData(), std::size_t(base.size()));
    QByteArray data = EncodeHeader(header);
    AppendDelete(data, 0, 4);
    AppendInsert(data, 0, "LINE", 4);
    AppendInsert(data, base.size(), "three", 5);
    TRecord record;
    ASSERT_TRUE(Parse(data, record));
    QByteArray text;
    ASSERT_EQ(Rebuild(record, base, text), TRebuild::Done);
    EXPECT_EQ(text, QByteArray("LINE one\r\nline two\r\nthree"));

    QByteArray changed = base;
    changed[5] = 'O'; // same size, other bytes
    EXPECT_EQ(Rebuild(record, changed, text), TRebuild::BaseChanged);
    EXPECT_EQ(Rebuild(record, base + "x", text), TRebuild::BaseChanged);
}

TEST(JournalFormat, DamagedFilesAreRefusedOrCutAtTheDamageNeverGuessed)
{
    QByteArray expected;
    const QByteArray data = RandomRecord(expected, 20, 5);
    const qsizetype headerEnd = EncodeHeader(NamedHeader(TKind::Copy, QStringLiteral("/tmp/ä b.txt")),
                                             QByteArray("Grüße aus \x80\x9f und NUL \0 dort", 30))
                                    .size();
    // Cut anywhere: a torn header is no record, torn edits end the record.
    for (qsizetype length = 0; length < data.size(); ++length) {
        TRecord record;
        const bool parsed = Parse(data.left(length), record);
        EXPECT_EQ(parsed, length >= headerEnd) << length;
        if (parsed && length > headerEnd) {
            QByteArray text;
            EXPECT_EQ(Rebuild(record, QByteArray(), text), TRebuild::Done);
        }
    }
    // One flipped byte in the copy: the checksum says so.
    QByteArray flipped = data;
    flipped[headerEnd - 12] = char(flipped[headerEnd - 12] ^ 1);
    TRecord record;
    EXPECT_FALSE(Parse(flipped, record));
    // Garbage, and a header whose copy claims far more than there is.
    QRandomGenerator random(9);
    QByteArray garbage(4096, '\0');
    for (char &byte : garbage)
        byte = char(random.bounded(256));
    EXPECT_FALSE(Parse(garbage, record));
    EXPECT_FALSE(Parse(QByteArray("QJOURNL1") + garbage, record));
    QByteArray huge = EncodeHeader(NamedHeader(TKind::Copy, QStringLiteral("n")), QByteArray("abc"));
    const qsizetype lengthAt = huge.size() - 8 - 3 - 8;
    for (int i = 0; i < 8; ++i)
        huge[lengthAt + i] = char(0x7f);
    EXPECT_FALSE(Parse(huge, record));
    // An intact edit outside the text is damage, not a guess.
    QByteArray outside = EncodeHeader(NamedHeader(TKind::Copy, QStringLiteral("n")), QByteArray("abc"));
    AppendDelete(outside, 2, 5);
    ASSERT_TRUE(Parse(outside, record));
    QByteArray text;
    EXPECT_EQ(Rebuild(record, QByteArray(), text), TRebuild::Damaged);
}

class JournalStoreTest : public ::testing::Test
{
protected:
    QTemporaryDir dir;
    QString State() const { return dir.path() + QStringLiteral("/state/quillon"); }
};

TEST_F(JournalStoreTest, OwnFolderIsPrivateAndRecordsAreWrittenWhole)
{
    QString error;
    auto folder = TFolder::CreateOwn(State(), error);
    ASSERT_TRUE(folder) << error.toStdString();
    struct stat info
    {
    };
    ASSERT_EQ(::stat(QFile::encodeName(State()).constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);
    ASSERT_EQ(::stat(QFile::encodeName(folder->Path()).constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);

    // A link planted where the temporary file goes is replaced, never followed.
    const QString outside = dir.path() + QStringLiteral("/victim.txt");
    WriteFile(outside, "keep me");
    ASSERT_TRUE(QFile::link(outside, folder->Path() + QStringLiteral("/.tmp-1.qj")));
    ASSERT_TRUE(QFile::link(outside, folder->Path() + QStringLiteral("/1.qj")));
    ASSERT_TRUE(folder->Write(JournalName(1), "record", error)) << error.toStdString();
    EXPECT_EQ(ReadAll(outside), QByteArray("keep me"));
    EXPECT_EQ(ReadAll(folder->Path() + QStringLiteral("/1.qj")), QByteArray("record"));
    ASSERT_EQ(::lstat(QFile::encodeName(folder->Path() + QStringLiteral("/1.qj")).constData(), &info), 0);
    EXPECT_TRUE(S_ISREG(info.st_mode));
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    ASSERT_TRUE(folder->Append(JournalName(1), "+more", error));
    EXPECT_EQ(ReadAll(folder->Path() + QStringLiteral("/1.qj")), QByteArray("record+more"));

    // Reading goes through no link either.
    ASSERT_TRUE(QFile::link(outside, folder->Path() + QStringLiteral("/2.qj")));
    QByteArray data;
    EXPECT_FALSE(folder->Read(JournalName(2), data));
    EXPECT_FALSE(folder->Append(JournalName(2), "x", error));
    EXPECT_EQ(ReadAll(outside), QByteArray("keep me"));
}

TEST_F(JournalStoreTest, AStateFolderThatIsALinkOrNotPrivateIsRefused)
{
    ASSERT_TRUE(QDir().mkpath(dir.path() + QStringLiteral("/elsewhere")));
    ASSERT_TRUE(QDir().mkpath(dir.path() + QStringLiteral("/state")));
    ASSERT_TRUE(QFile::link(dir.path() + QStringLiteral("/elsewhere"), State()));
    QString error;
    EXPECT_FALSE(TFolder::CreateOwn(State(), error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_TRUE(QDir(dir.path() + QStringLiteral("/elsewhere")).isEmpty());

    ASSERT_TRUE(QFile::remove(State()));
    ASSERT_TRUE(QDir().mkpath(State()));
    ::chmod(QFile::encodeName(State()).constData(), 0755);
    EXPECT_FALSE(TFolder::CreateOwn(State(), error));
    // A file where the folder should be: no folder, a reason.
    WriteFile(dir.path() + QStringLiteral("/file"), "x");
    EXPECT_FALSE(TFolder::CreateOwn(dir.path() + QStringLiteral("/file/quillon"), error));
}

TEST_F(JournalStoreTest, OnlyFoldersOfEndedInstancesAreOfferedAndOnlyToOneTaker)
{
    QString error;
    auto running = TFolder::CreateOwn(State(), error);
    auto ended = TFolder::CreateOwn(State(), error);
    auto empty = TFolder::CreateOwn(State(), error);
    ASSERT_TRUE(running && ended && empty);
    const QByteArray record = EncodeHeader(NamedHeader(TKind::Copy, QStringLiteral("/a.txt")), QByteArray("text"));
    ASSERT_TRUE(running->Write(JournalName(1), record, error));
    ASSERT_TRUE(ended->Write(JournalName(1), record, error));
    ASSERT_TRUE(ended->Write(JournalName(2), "garbage", error));
    const QString endedPath = ended->Path(), emptyPath = empty->Path();
    ended.reset(); // its lock goes with it, as with a killed process
    empty.reset();

    TOrphans first;
    first.Adopt(State());
    ASSERT_EQ(first.Found().size(), 1u);
    EXPECT_EQ(first.Found()[0].record.copy, QByteArray("text"));
    EXPECT_EQ(first.Found()[0].folder->Path(), endedPath);
    EXPECT_FALSE(QFileInfo::exists(emptyPath));

    TOrphans second; // another start while the first one holds them
    second.Adopt(State());
    EXPECT_TRUE(second.Found().empty());

    first.Discard();
    EXPECT_FALSE(QFileInfo::exists(endedPath + QStringLiteral("/1.qj")));
    // The unreadable record is nobody's to delete.
    EXPECT_TRUE(QFileInfo::exists(endedPath + QStringLiteral("/2.qj")));
    EXPECT_TRUE(QFileInfo::exists(running->Path() + QStringLiteral("/1.qj")));
}

TEST_F(JournalStoreTest, ForeignAndLinkedFoldersAreSkipped)
{
    QString error;
    auto own = TFolder::CreateOwn(State(), error);
    ASSERT_TRUE(own);
    const QByteArray record = EncodeHeader(NamedHeader(TKind::Copy, QStringLiteral("/a.txt")), QByteArray("text"));
    ASSERT_TRUE(own->Write(JournalName(1), record, error));
    const QString path = own->Path();
    own.reset();
    ASSERT_TRUE(QFile::link(path, State() + QStringLiteral("/instance-link")));
    if (::geteuid() == 0) {
        // Another user's folder, and another user's record in an own one.
        ASSERT_TRUE(QDir().mkpath(State() + QStringLiteral("/instance-other")));
        WriteFile(State() + QStringLiteral("/instance-other/1.qj"), record);
        ASSERT_EQ(::chmod(QFile::encodeName(State() + QStringLiteral("/instance-other")).constData(), 0700), 0);
        ASSERT_EQ(::chown(QFile::encodeName(State() + QStringLiteral("/instance-other")).constData(), 65534, 65534), 0);
        ASSERT_EQ(::chown(QFile::encodeName(path + QStringLiteral("/1.qj")).constData(), 65534, 65534), 0);
    }
    TOrphans orphans;
    orphans.Adopt(State());
    EXPECT_EQ(orphans.Found().size(), ::geteuid() == 0 ? 0u : 1u);
}

TEST_F(JournalStoreTest, WriterKeepsOrderAndDropsEditsBehindAFailedRecord)
{
    QString error;
    auto folder = TFolder::CreateOwn(State(), error);
    ASSERT_TRUE(folder);
    QStringList failures;
    {
        TWriter writer(*folder, [&](const QString &name, const QString &) { failures << name; });
        writer.Write(JournalName(1), "a");
        writer.Append(JournalName(1), "b");
        writer.Write(JournalName(2), "x");
        writer.Remove(JournalName(2));
        // A folder in the way makes the next record fail, as a full disk does.
        ASSERT_TRUE(QDir().mkpath(folder->Path() + QStringLiteral("/3.qj/in-the-way")));
        writer.Write(JournalName(3), "c");
        writer.Append(JournalName(3), "d");
        writer.Wait();
        EXPECT_EQ(writer.Failures(), 1);
        EXPECT_EQ(failures, QStringList{JournalName(3)});
        EXPECT_EQ(ReadAll(folder->Path() + QStringLiteral("/1.qj")), QByteArray("ab"));
        EXPECT_FALSE(QFileInfo::exists(folder->Path() + QStringLiteral("/2.qj")));
        EXPECT_TRUE(QFileInfo(folder->Path() + QStringLiteral("/3.qj")).isDir());
        EXPECT_FALSE(QFileInfo::exists(folder->Path() + QStringLiteral("/3.qj/in-the-way/d")));
    }
    folder->RemoveAll();
    EXPECT_FALSE(QFileInfo::exists(folder->Path() + QStringLiteral("/1.qj")));
}
