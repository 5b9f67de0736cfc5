// Saving over what is already there: only regular files are ever replaced.
#include "app/core/IniFile.h"
#include "platform/core/TextFile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

using textfile::SaveBytes;
using textfile::TSaveResult;

namespace {

QByteArray Native(const QString &path)
{
    return QFile::encodeName(path);
}

QByteArray ReadAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

TSaveResult Save(const QString &path, const QByteArray &bytes)
{
    return SaveBytes(path, bytes.constData(), std::size_t(bytes.size()));
}

struct stat Lstat(const QString &path)
{
    struct stat info
    {
    };
    EXPECT_EQ(::lstat(Native(path).constData(), &info), 0) << path.toStdString();
    return info;
}

} // namespace

TEST(SaveBytesTest, NeverReplacesAnythingButARegularFile)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString fifo = dir.filePath(QStringLiteral("rohr"));
    const QString toFifo = dir.filePath(QStringLiteral("zeiger"));
    const QString folder = dir.filePath(QStringLiteral("ordner"));
    ASSERT_EQ(::mkfifo(Native(fifo).constData(), 0644), 0);
    ASSERT_EQ(::symlink("rohr", Native(toFifo).constData()), 0);
    ASSERT_TRUE(QDir().mkdir(folder));
    struct TCase
    {
        QString path;
        mode_t type; // as lstat must still see it
    };
    std::vector<TCase> cases{{fifo, S_IFIFO}, {toFifo, S_IFLNK}, {folder, S_IFDIR}};
    // A copy of the null device, as only root can make one.
    const QString device = dir.filePath(QStringLiteral("null"));
    if (::mknod(Native(device).constData(), S_IFCHR | 0666, makedev(1, 3)) == 0)
        cases.push_back({device, S_IFCHR});

    for (const TCase &c : cases) {
        SCOPED_TRACE(c.path.toStdString());
        EXPECT_EQ(Save(c.path, "[Window]\r\nLeft=1\r\n"), TSaveResult::NotRegular);
        EXPECT_EQ(Lstat(c.path).st_mode & S_IFMT, c.type);

        TIniFile ini(c.path);
        ini.Load();
        ini.WriteInteger(QStringLiteral("Window"), QStringLiteral("Left"), 1);
        TSaveResult result = TSaveResult::Ok;
        EXPECT_FALSE(ini.Save(&result));
        EXPECT_EQ(result, TSaveResult::NotRegular);
        EXPECT_EQ(Lstat(c.path).st_mode & S_IFMT, c.type);
    }
    EXPECT_TRUE(S_ISFIFO(Lstat(fifo).st_mode)) << "the link's target was replaced";
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot).size(),
              qsizetype(cases.size()))
        << "something was left beside";

    // A link to a regular file still saves to its target.
    const QString file = dir.filePath(QStringLiteral("datei.txt"));
    const QString toFile = dir.filePath(QStringLiteral("verweis"));
    ASSERT_EQ(Save(file, "alt"), TSaveResult::Ok);
    ASSERT_EQ(::symlink("datei.txt", Native(toFile).constData()), 0);
    EXPECT_EQ(Save(toFile, "neu"), TSaveResult::Ok);
    EXPECT_TRUE(S_ISLNK(Lstat(toFile).st_mode));
    EXPECT_EQ(ReadAll(file), QByteArray("neu"));
}
