#include "about/core/AboutText.h"

#include <QUrlQuery>
#include <gtest/gtest.h>

using namespace abouttext;

TEST(AboutText, FreeMemoryInMebibytesWithAPoint)
{
    EXPECT_EQ(FreeMemoryText(512ull << 20, 1ull << 30), QStringLiteral("1536.00 Mb"));
    EXPECT_EQ(FreeMemoryText(0, 0), QStringLiteral("0.00 Mb"));
    EXPECT_EQ(FreeMemoryText(1572864, 0), QStringLiteral("1.50 Mb"));
    EXPECT_EQ(FreeMemoryText(10485, 0), QStringLiteral("0.01 Mb"));
    // The full byte counts: 23 GiB and 3 GiB of swap, far beyond 32 bits.
    EXPECT_EQ(FreeMemoryText(23ull << 30, 3ull << 30), QStringLiteral("26624.00 Mb"));
}

TEST(AboutText, ClockRateWithFiveSignificantDigitsAndTwoDecimals)
{
    const QChar comma(QLatin1Char(','));
    EXPECT_EQ(MhzText(0.0, comma), QStringLiteral("0,00"));
    EXPECT_EQ(MhzText(2000.0, comma), QStringLiteral("2000,00"));
    EXPECT_EQ(MhzText(2394.567, comma), QStringLiteral("2394,60"));
    EXPECT_EQ(MhzText(8589.93459, comma), QStringLiteral("8589,90"));
    EXPECT_EQ(MhzText(999.996, comma), QStringLiteral("1000,00"));
    EXPECT_EQ(MhzText(133.337, comma), QStringLiteral("133,34"));
    EXPECT_EQ(MhzText(12345.6, comma), QStringLiteral("12346,00"));
    EXPECT_EQ(MhzText(0.126, comma), QStringLiteral("0,13"));
    EXPECT_EQ(MhzText(2394.567, QLatin1Char('.')), QStringLiteral("2394.60"));
    // More than five integer digits: scientific.
    EXPECT_EQ(MhzText(123456.7, comma), QStringLiteral("1,2346E+5"));
    EXPECT_EQ(MhzText(99999.996, comma), QStringLiteral("1E+5"));
    // A negative rate shows nothing.
    EXPECT_EQ(MhzText(-1.0, comma), QString());
}

TEST(AboutText, ProductNameWithoutTheFileName)
{
    EXPECT_EQ(ProductNameFromTitle(QStringLiteral("Quillon 32")), QStringLiteral("Quillon 32"));
    EXPECT_EQ(ProductNameFromTitle(QStringLiteral("  Quillon 32 ")), QStringLiteral("Quillon 32"));
    EXPECT_EQ(ProductNameFromTitle(QStringLiteral("/home/a/brief.txt : Quillon 32")), QStringLiteral("Quillon 32"));
    // Linux file names may hold " : " themselves.
    EXPECT_EQ(ProductNameFromTitle(QStringLiteral("/tmp/a : b.txt : Quillon 32")), QStringLiteral("Quillon 32"));
    EXPECT_EQ(ProductNameFromTitle(QStringLiteral("/tmp/x: y")), QStringLiteral("/tmp/x: y"));
}

TEST(AboutText, LinkHintGetsHttpInFront)
{
    EXPECT_EQ(LinkHint(QStringLiteral("www.example.org")), QStringLiteral("http://www.example.org"));
    EXPECT_EQ(LinkHint(QStringLiteral("HtTp://www.example.org")), QStringLiteral("HtTp://www.example.org"));
    EXPECT_EQ(LinkHint(QStringLiteral("http:/x")), QStringLiteral("http://http:/x"));
    EXPECT_EQ(HomepageAddress(QStringLiteral("quillon.example.org")), QStringLiteral("http://quillon.example.org/"));
}

TEST(AboutText, MailSubjectArrivesWhole)
{
    const QString plain =
        MailTarget(QStringLiteral("quillon@example.org"), QStringLiteral("Quillon 32"), QStringLiteral("1.3.4.1"));
    EXPECT_EQ(plain, QStringLiteral("mailto:quillon@example.org?subject=Quillon%2032%3A%20Version%201.3.4.1"));

    // A file name with "&", "#" and "?" must neither add header fields nor
    // cut the subject short.
    const QString title = QStringLiteral("/tmp/a&cc=x@y.z#?ä.txt : Quillon 32");
    const QUrl url = ShellUrl(MailTarget(QStringLiteral("quillon@example.org"), title, QStringLiteral("1.3.4.1")));
    EXPECT_EQ(url.scheme(), QStringLiteral("mailto"));
    EXPECT_EQ(url.path(), QStringLiteral("quillon@example.org"));
    const QUrlQuery query(url);
    EXPECT_FALSE(query.hasQueryItem(QStringLiteral("cc")));
    EXPECT_EQ(query.queryItemValue(QStringLiteral("subject"), QUrl::FullyDecoded),
              title + QStringLiteral(": Version 1.3.4.1"));
}

TEST(AboutText, ShellTargetsBecomeUrls)
{
    EXPECT_EQ(ShellUrl(QStringLiteral("http://quillon.example.org/")).host(), QStringLiteral("quillon.example.org"));
    const QUrl folder = ShellUrl(QStringLiteral("/home/a/.config/Quillon"));
    EXPECT_TRUE(folder.isLocalFile());
    EXPECT_EQ(folder.toLocalFile(), QStringLiteral("/home/a/.config/Quillon"));
    // A folder whose name looks like a scheme stays a folder.
    EXPECT_TRUE(ShellUrl(QStringLiteral("/x/http:y")).isLocalFile());
    EXPECT_EQ(ShellUrl(QStringLiteral("/x/#1")).toLocalFile(), QStringLiteral("/x/#1"));

    EXPECT_EQ(FolderOf(QStringLiteral("/home/a/.config/Quillon/quillon/quillon.ini")),
              QStringLiteral("/home/a/.config/Quillon/quillon"));
    EXPECT_EQ(FolderOf(QStringLiteral("/quillon.ini")), QStringLiteral("/"));
}
