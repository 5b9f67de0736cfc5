#include "about/core/StampTime.h"
#include "about/core/XMemory.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

using namespace stamptime;

TEST(XMemory, BlocksCarryTheirSizeAndFreeingClearsTheHandle)
{
    void *handle = reinterpret_cast<void *>(0x1);
    xmemory::AllocSizedBlock(handle, 0);
    EXPECT_EQ(handle, nullptr) << "size 0 allocates nothing";
    xmemory::AllocSizedBlock(handle, -5);
    EXPECT_EQ(handle, nullptr) << "a negative size allocates nothing";
    xmemory::FreeSizedBlock(handle);
    EXPECT_EQ(handle, nullptr);

    xmemory::AllocSizedBlock(handle, 1000);
    ASSERT_NE(handle, nullptr);
    EXPECT_EQ(xmemory::SizedBlockSize(handle), 1000);
    qint32 word = 0;
    std::memcpy(&word, static_cast<char *>(handle) - 4, 4);
    EXPECT_EQ(word, 1000) << "the size word lies in front of the payload";
    std::memset(handle, 0xAB, 1000);
    xmemory::FreeSizedBlock(handle);
    EXPECT_EQ(handle, nullptr);
}

TEST(StampTime, PackingFollowsTheDosLayout)
{
    const QDateTime sample(QDate(1999, 12, 31), QTime(12, 59, 58));
    EXPECT_EQ(PackDosDateTime(sample), 664758141);
    EXPECT_EQ(PackDosDateTime(sample.addSecs(1)), 664758141) << "odd seconds round down";
    EXPECT_EQ(UnpackDosDateTime(664758141), sample);

    EXPECT_EQ(PackDosDateTime(QDateTime(QDate(1980, 1, 1), QTime(0, 0))), 0x00210000);
    EXPECT_EQ(PackDosDateTime(QDateTime(QDate(1979, 12, 31), QTime(23, 59, 59))), -1);
    EXPECT_EQ(PackDosDateTime(QDateTime(QDate(2108, 1, 1), QTime(0, 0))), -1);
    const QDateTime late(QDate(2107, 12, 31), QTime(23, 59, 58));
    EXPECT_LT(PackDosDateTime(late), 0) << "years from 2044 on set the sign bit";
    EXPECT_EQ(UnpackDosDateTime(PackDosDateTime(late)), late);

    EXPECT_FALSE(UnpackDosDateTime(-1).isValid());
    EXPECT_FALSE(UnpackDosDateTime(0).isValid()) << "month 0";
    EXPECT_FALSE(UnpackDosDateTime(0x265E0000).isValid()) << "30 February 1999";
}

TEST(StampTime, TextsShowTheNumberOrTheLocalesDateAndTime)
{
    const QLocale german(QLocale::German, QLocale::Germany);
    EXPECT_EQ(StampText(664758141, dtNumber, german), "664758141");
    EXPECT_EQ(StampText(-1, dtNumber, german), "-1");
    const QString text = StampText(664758141, dtString, german);
    EXPECT_TRUE(text.startsWith("31.12.99 12:59:58")) << text.toStdString();
    EXPECT_EQ(StampText(PackDosDateTime(QDateTime(QDate(2001, 2, 3), QTime(0, 0))), dtString, german), "03.02.01")
        << "midnight shows the date alone";
    EXPECT_EQ(StampText(-1, dtString, german), "") << "no time could be read";

    EXPECT_EQ(DesignSampleText(dtString), "12/31/99 12:59:58 PM");
    EXPECT_EQ(DesignSampleText(dtNumber), "664758141");
}

TEST(StampTime, FilesGiveTheirLastWriteInLocalTime)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("f.txt");
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("x");
    file.flush(); // else closing writes and stamps the file anew
    const QDateTime written(QDate(2004, 7, 9), QTime(8, 15, 42));
    ASSERT_TRUE(file.setFileTime(written, QFileDevice::FileModificationTime));
    file.close();
    EXPECT_EQ(FilePackedTime(path), PackDosDateTime(written));
    EXPECT_EQ(UnpackDosDateTime(FilePackedTime(path)), written);

    EXPECT_EQ(FilePackedTime(dir.filePath("missing")), -1);
    EXPECT_EQ(FilePackedTime(dir.path()), -1) << "a directory";
    EXPECT_EQ(FilePackedTime(""), -1);
}

} // namespace
