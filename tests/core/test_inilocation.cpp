#include "app/core/IniHelp.h"

#include <QSet>
#include <QStringList>
#include <gtest/gtest.h>

namespace {

using inihelp::IniFileNameFor;
using inihelp::TIniLocationInput;

// The environment of one start: which files exist, and every path asked about.
struct TWorld
{
    QSet<QString> files;
    QStringList asked;

    TIniLocationInput Input(const QString &program, const QString &xdg, const QString &home)
    {
        TIniLocationInput input;
        input.executablePath = program;
        input.xdgConfigHome = xdg;
        input.home = home;
        input.fileExists = [this](const QString &path) {
            asked << path;
            return files.contains(path);
        };
        return input;
    }
};

TEST(IniLocation, AFileBesideTheProgramWinsOverTheUserFolder)
{
    TWorld world;
    world.files = {"/opt/quillon/bin/quillon.ini", "/home/u/.xdg/Quillon/quillon/quillon.ini"};
    EXPECT_EQ(IniFileNameFor(world.Input("/opt/quillon/bin/quillon", "/home/u/.xdg", "/home/u")),
              "/opt/quillon/bin/quillon.ini");
    EXPECT_EQ(world.asked, QStringList{"/opt/quillon/bin/quillon.ini"}) << "the user folder is not looked at";
}

TEST(IniLocation, WithoutAFileBesideTheProgramTheUserFolderIsUsed)
{
    TWorld world;
    EXPECT_EQ(IniFileNameFor(world.Input("/opt/quillon/bin/quillon", "/home/u/.xdg", "/home/u")),
              "/home/u/.xdg/Quillon/quillon/quillon.ini")
        << "XDG_CONFIG_HOME comes before HOME";
    EXPECT_EQ(world.asked, QStringList{"/opt/quillon/bin/quillon.ini"});

    EXPECT_EQ(IniFileNameFor(world.Input("/opt/quillon/bin/quillon", "/home/u/.xdg/", "")),
              "/home/u/.xdg/Quillon/quillon/quillon.ini")
        << "a trailing slash adds no empty folder";

    EXPECT_EQ(IniFileNameFor(world.Input("/opt/quillon/bin/quillon", "", "/home/u")),
              "/home/u/.config/Quillon/quillon/quillon.ini");
}

TEST(IniLocation, WithoutAnyUserFolderTheFileLiesBesideTheProgram)
{
    TWorld world;
    EXPECT_EQ(IniFileNameFor(world.Input("/opt/quillon/bin/quillon", "", "")), "/opt/quillon/bin/quillon.ini");
    EXPECT_EQ(IniFileNameFor(world.Input("/opt/quillon/bin/quillon", "relative/config", "")),
              "/opt/quillon/bin/quillon.ini")
        << "a relative configuration folder is no folder";

    TIniLocationInput noTest = world.Input("/opt/quillon/bin/quillon", "", "/home/u");
    noTest.fileExists = nullptr;
    EXPECT_EQ(IniFileNameFor(noTest), "/home/u/.config/Quillon/quillon/quillon.ini")
        << "without an existence test nothing exists beside the program";
}

TEST(IniLocation, TheProgramsExtensionIsReplacedAndItsNameNamesTheFolder)
{
    TWorld world;
    EXPECT_EQ(IniFileNameFor(world.Input("/opt/q/Quillon32.exe", "", "")), "/opt/q/Quillon32.ini");
    EXPECT_EQ(IniFileNameFor(world.Input("/opt/q/Quillon32.exe", "/cfg", "")), "/cfg/Quillon/Quillon32/Quillon32.ini");

    EXPECT_EQ(IniFileNameFor(world.Input("/opt/q.d/quillon", "", "")), "/opt/q.d/quillon.ini")
        << "a dot in the folder is no extension";
    EXPECT_EQ(IniFileNameFor(world.Input("/opt/q/quillon.app.bin", "/cfg", "")),
              "/cfg/Quillon/quillon.app/quillon.app.ini")
        << "only the last extension goes";

    world.files = {"/opt/q/Quillon32.ini"};
    EXPECT_EQ(IniFileNameFor(world.Input("/opt/q/Quillon32.exe", "/cfg", "/home/u")), "/opt/q/Quillon32.ini");
}

} // namespace
