#include "platform/core/DiskIdentity.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <fcntl.h>
#include <sys/time.h>
#include <unistd.h>

using namespace diskidentity;

namespace {

void Write(const QString &name, const QByteArray &bytes)
{
    QFile file(name);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(file.write(bytes), bytes.size());
}

void SetTime(const QString &name, long seconds, long nanoseconds)
{
    const struct timespec times[2] = {{seconds, nanoseconds}, {seconds, nanoseconds}};
    ASSERT_EQ(::utimensat(AT_FDCWD, QFile::encodeName(name).constData(), times, 0), 0);
}

} // namespace

TEST(DiskIdentity, ARewriteIsSeenEvenWithinTheSameSecondButALinkIsTheFileItself)
{
    QTemporaryDir dir;
    const QString name = dir.filePath("a b.txt");
    Write(name, "eins\r\n");
    SetTime(name, 1700000000, 100);
    const TDiskIdentity loaded = Stat(name);
    EXPECT_TRUE(loaded.exists);
    EXPECT_EQ(loaded.size, 6);
    EXPECT_TRUE(loaded.SameAs(Stat(name)));

    const QString link = dir.filePath("link");
    ASSERT_EQ(::symlink(QFile::encodeName(name).constData(), QFile::encodeName(link).constData()), 0);
    EXPECT_TRUE(Stat(link).SameAs(loaded));

    SetTime(name, 1700000000, 200);
    EXPECT_FALSE(Stat(name).SameAs(loaded));

    // Another program saving by rename: same size and time, another inode.
    const QString other = dir.filePath("neu");
    Write(other, "zwei\r\n");
    SetTime(other, 1700000000, 100);
    ASSERT_TRUE(QFile::remove(name));
    ASSERT_TRUE(QFile::rename(other, name));
    EXPECT_FALSE(Stat(name).SameAs(loaded));
}

TEST(DiskIdentity, NothingThereOrNoRegularFileDoesNotExist)
{
    QTemporaryDir dir;
    EXPECT_FALSE(Stat(dir.filePath("fehlt")).exists);
    EXPECT_FALSE(Stat(dir.path()).exists);
    const QString fifo = dir.filePath("fifo");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    EXPECT_FALSE(Stat(fifo).exists);
    quint64 sum = 0;
    // Reading a FIFO would wait for a writer for ever.
    EXPECT_FALSE(FileChecksum(fifo, sum));
    EXPECT_FALSE(FileChecksum(dir.filePath("fehlt"), sum));
    EXPECT_FALSE(Stat(QString()).exists);
}

TEST(DiskIdentity, TheChecksumDependsOnTheBytesOnlyNotOnHowTheyWereCut)
{
    QByteArray bytes(3 * (1 << 20) + 17, Qt::Uninitialized);
    for (int i = 0; i < bytes.size(); ++i)
        bytes[i] = char(quint32(i) * 7919u >> 3);
    const quint64 whole = Checksum(bytes.constData(), bytes.size());

    TChecksum pieces;
    for (qsizetype at = 0, step = 1; at < bytes.size(); at += step, step = step * 3 + 1)
        pieces.Feed(bytes.constData() + at, std::min<qsizetype>(step, bytes.size() - at));
    EXPECT_EQ(pieces.Result(), whole);

    QTemporaryDir dir;
    Write(dir.filePath("f"), bytes);
    quint64 fromFile = 0;
    ASSERT_TRUE(FileChecksum(dir.filePath("f"), fromFile));
    EXPECT_EQ(fromFile, whole);

    bytes[bytes.size() / 2] = char(bytes[bytes.size() / 2] ^ 1);
    EXPECT_NE(Checksum(bytes.constData(), bytes.size()), whole);
    EXPECT_NE(Checksum("", 0), Checksum("\0", 1));
}
