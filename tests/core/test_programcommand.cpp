#include "dialogs/core/ProgramCommand.h"

#include <gtest/gtest.h>

namespace {

using programcommand::Split;

QStringList Words(const QString &line)
{
    const auto command = Split(line);
    return QStringList(command.program) + command.arguments;
}

TEST(ProgramCommandTest, RunsOfBlanksSeparateWords)
{
    EXPECT_EQ(Split(QStringLiteral("gedit /home/u/a.txt")).program, QStringLiteral("gedit"));
    EXPECT_EQ(Split(QStringLiteral("gedit /home/u/a.txt")).arguments, QStringList(QStringLiteral("/home/u/a.txt")));
    EXPECT_TRUE(Split(QStringLiteral("/usr/bin/gedit")).arguments.isEmpty());
    EXPECT_EQ(Words(QStringLiteral("  kate \t --new   a.txt  ")),
              QStringList({QStringLiteral("kate"), QStringLiteral("--new"), QStringLiteral("a.txt")}));
    EXPECT_EQ(Words(QStringLiteral(" \t ")), QStringList(QString()));
    // An empty editor name leaves the file name as the first word: the
    // caller must not start it.
    EXPECT_EQ(Split(QStringLiteral(" /home/u/a.txt")).program, QStringLiteral("/home/u/a.txt"));
}

TEST(ProgramCommandTest, NothingIsQuotedOrInterpreted)
{
    EXPECT_EQ(Words(QStringLiteral("/opt/my editor/x /home/u/Meine Texte")),
              QStringList({QStringLiteral("/opt/my"), QStringLiteral("editor/x"), QStringLiteral("/home/u/Meine"),
                           QStringLiteral("Texte")}));
    EXPECT_EQ(Words(QStringLiteral("\"/opt/my editor\" 'a b'")),
              QStringList({QStringLiteral("\"/opt/my"), QStringLiteral("editor\""), QStringLiteral("'a"),
                           QStringLiteral("b'")}));
    EXPECT_EQ(Words(QStringLiteral("ed a;rm -rf x.txt $HOME `id` *.txt b|c>d \\e f\ng")),
              QStringList({QStringLiteral("ed"), QStringLiteral("a;rm"), QStringLiteral("-rf"), QStringLiteral("x.txt"),
                           QStringLiteral("$HOME"), QStringLiteral("`id`"), QStringLiteral("*.txt"),
                           QStringLiteral("b|c>d"), QStringLiteral("\\e"), QStringLiteral("f\ng")}));
}

TEST(ProgramCommandTest, TheFileIsAlwaysExactlyOneFurtherArgument)
{
    const QString name = QStringLiteral("/home/u/a -c :!touch${IFS}PWNED b.txt");
    const auto command = programcommand::WithFile(QStringLiteral("vim  -p"), name);
    EXPECT_EQ(command.program, QStringLiteral("vim"));
    EXPECT_EQ(command.arguments, QStringList({QStringLiteral("-p"), name}));
    for (const QString &odd :
         {QStringLiteral(" lead.txt"), QStringLiteral("\"q\" 'x'\t;y"), QStringLiteral("-rf"), QString()}) {
        EXPECT_EQ(programcommand::WithFile(QStringLiteral("ed"), odd).arguments, QStringList(odd));
    }
    // A blank setting names no program; the name never becomes one.
    EXPECT_TRUE(programcommand::WithFile(QStringLiteral(" \t"), QStringLiteral("/bin/sh")).program.isEmpty());
}

} // namespace
