#include "about/Stamps.h"
#include "about/core/XVersion.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <gtest/gtest.h>

namespace {

// The packed last-write time of this test program, found by its path
// rather than through the label's own route.
qint32 OwnPackedTime()
{
    const QDateTime written = QFileInfo(QCoreApplication::applicationFilePath()).lastModified();
    return stamptime::PackDosDateTime(written);
}

TEST(TimeStamp, ShowsTheProgramFilesTimeAsSetByDisplay)
{
    TTimeStamp stamp;
    EXPECT_EQ(stamp.Display(), dtString) << "the default";
    const qint32 packed = OwnPackedTime();
    ASSERT_NE(packed, -1);
    const QDateTime when = stamptime::UnpackDosDateTime(packed);
    EXPECT_TRUE(stamp.text().startsWith(QLocale::system().toString(when.date(), QLocale::ShortFormat)))
        << stamp.text().toStdString();

    stamp.SetDisplay(dtNumber);
    EXPECT_EQ(stamp.text(), QString::number(packed));
    EXPECT_TRUE(stamp.setProperty("Display", QVariant::fromValue(dtString)));
    EXPECT_EQ(stamp.Display(), dtString);
    EXPECT_NE(stamp.text(), QString::number(packed));
}

TEST(TimeStamp, ADesignedLabelShowsTheSamples)
{
    TTimeStamp stamp;
    stamp.SetDesigning(true);
    EXPECT_EQ(stamp.text(), "12/31/99 12:59:58 PM");
    stamp.SetDisplay(dtNumber);
    EXPECT_EQ(stamp.text(), "664758141");
}

} // namespace
