#include "editor/core/FileNames.h"

#include <QStringList>
#include <gtest/gtest.h>

using filenames::CleanFileName;

TEST(FileNames, CleaningDropsLeadingBlanksAndQuotesAndOneTrailingQuote)
{
    QStringList asked;
    const auto none = [&](const QString &name) {
        asked << name;
        return false;
    };
    EXPECT_EQ(CleanFileName(QStringLiteral(" \"/a b.txt\""), none), QStringLiteral("/a b.txt"));
    EXPECT_EQ(CleanFileName(QStringLiteral("/a.txt\"\""), none), QStringLiteral("/a.txt\""));
    EXPECT_EQ(CleanFileName(QStringLiteral("/a.txt  "), none), QStringLiteral("/a.txt  ")) << "trailing blanks stay";
    EXPECT_EQ(CleanFileName(QStringLiteral("\"\""), none), QString());
    EXPECT_EQ(asked, (QStringList{" \"/a b.txt\"", "/a.txt\"\"", "\"\""}));
}

TEST(FileNames, AnExistingFileKeepsItsNameAsGiven)
{
    const auto exists = [](const QString &name) { return name == QStringLiteral("x.txt\""); };
    EXPECT_EQ(CleanFileName(QStringLiteral("x.txt\""), exists), QStringLiteral("x.txt\""));
    EXPECT_EQ(CleanFileName(QStringLiteral("y.txt\""), exists), QStringLiteral("y.txt"));
    // An untitled name is never a file on disk, whatever lies there.
    const auto all = [](const QString &) { return true; };
    EXPECT_EQ(CleanFileName(QStringLiteral("<neu>\""), all), QStringLiteral("<neu>"));
}

TEST(FileNames, OnlyTheNameAskedForSaysUntitledAndTheShortNameHasNoFolder)
{
    EXPECT_TRUE(filenames::IsUntitledName(QStringLiteral("<unbenannt0>")));
    EXPECT_FALSE(filenames::IsUntitledName(QStringLiteral("/tmp/<notiz>.txt")));
    EXPECT_EQ(filenames::ShortName(QStringLiteral("/tmp/x/<notiz>.txt")), QStringLiteral("<notiz>.txt"));
    EXPECT_EQ(filenames::ShortName(QStringLiteral("<x/y.txt")), QStringLiteral("y.txt"));
    EXPECT_EQ(filenames::ShortName(QStringLiteral("ohne")), QStringLiteral("ohne"));
}
