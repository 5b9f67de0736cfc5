#include "app/core/CommandLine.h"

#include <QElapsedTimer>
#include <QLocale>
#include <QSet>
#include <gtest/gtest.h>
#include <ostream>

namespace cmdline {
void PrintTo(const TAction &action, std::ostream *os)
{
    static const char *const kinds[] = {"Open", "Print", "Oem", "IniFile", "Unreachable", "UnreachableIni"};
    *os << kinds[action.kind] << "(" << action.name.toStdString() << ")";
}
} // namespace cmdline

namespace {

using cmdline::TAction;
using TActions = QList<TAction>;

const QString kProgram = QStringLiteral("/usr/bin/quillon");
const QString kBase = QStringLiteral("/home/u/work");

TAction Open(const QString &name)
{
    return {TAction::Open, name};
}
TAction Print(const QString &name)
{
    return {TAction::Print, name};
}
TAction Oem(const QString &name)
{
    return {TAction::Oem, name};
}
TAction Ini(const QString &name)
{
    return {TAction::IniFile, name};
}
QString InBase(const QString &name)
{
    return kBase + QLatin1Char('/') + name;
}

struct TFiles
{
    QSet<QString> existing;
    QStringList asked;
    cmdline::TFileExists Exists()
    {
        return [this](const QString &name) {
            asked << name;
            return existing.contains(name);
        };
    }
};

TActions Own(const QStringList &arguments, TFiles &files, const QString &program = kProgram)
{
    return cmdline::InterpretOwn(cmdline::RawCommandLine(program, arguments), program, arguments, kBase,
                                 files.Exists());
}

TActions HandedOver(const QStringList &arguments, TFiles &files)
{
    return cmdline::InterpretHandedOver(arguments, kProgram, kBase, files.Exists());
}

} // namespace

TEST(CommandLineNames, RawLineQuotesOnlyArgumentsWithBlanks)
{
    EXPECT_EQ(cmdline::RawCommandLine(kProgram, {}), kProgram);
    EXPECT_EQ(cmdline::RawCommandLine(kProgram, {"a.txt", "Eigene Dateien/brief.txt", ""}),
              kProgram + R"( a.txt "Eigene Dateien/brief.txt" )");
}

TEST(CommandLineNames, AbsoluteCompletesAndCleansPathsButKeepsPlaceholders)
{
    EXPECT_EQ(cmdline::Absolute("", kBase), "");
    EXPECT_EQ(cmdline::Absolute("<unbekannt>", kBase), "<unbekannt>");
    EXPECT_EQ(cmdline::Absolute("/home/v/./x/../a.txt", kBase), "/home/v/a.txt");
    EXPECT_EQ(cmdline::Absolute("sub/a.txt", kBase + "/"), InBase("sub/a.txt"));
    EXPECT_EQ(cmdline::Absolute("../up.txt", kBase), "/home/u/up.txt");
    // Backslashes and trailing blanks are part of a Linux file name.
    EXPECT_EQ(cmdline::Absolute("a\\b.txt ", kBase), InBase("a\\b.txt "));
}

TEST(CommandLineOwn, NoArgumentsStartWithOnePlaceholderTab)
{
    TFiles files;
    EXPECT_EQ(Own({}, files), TActions{Open("<unbekannt>")});
    // Only the settings option: nothing to open, so the window will close.
    EXPECT_EQ(Own({"-I", "../cfg/x.ini"}, files), TActions{Ini("../cfg/x.ini")});
    // Arguments that name nothing do not bring the placeholder back.
    EXPECT_EQ(Own({"\"\"", "-P"}, files), TActions{});
}

TEST(CommandLineOwn, UnquotedNameWithBlanksOpensTheExistingFile)
{
    TFiles files;
    files.existing = {InBase("Eigene Dateien/brief.txt"), "/home/u/Eigene Dateien/b.txt"};
    EXPECT_EQ(Own({"Eigene", "Dateien/brief.txt"}, files), TActions{Open(InBase("Eigene Dateien/brief.txt"))});
    EXPECT_EQ(Own({"/home/u/Eigene", "Dateien/b.txt"}, files), TActions{Open("/home/u/Eigene Dateien/b.txt")});
    // Quoted, the whole rest carries the quotes and is no file; the argument
    // walk opens the one name instead.
    files.asked.clear();
    EXPECT_EQ(Own({"Eigene Dateien/brief.txt"}, files), TActions{Open(InBase("Eigene Dateien/brief.txt"))});
    EXPECT_EQ(files.asked, QStringList{InBase("\"Eigene Dateien/brief.txt\"")});
    // Without such a file the pieces are separate names.
    files.existing.clear();
    EXPECT_EQ(Own({"Eigene", "Dateien/brief.txt"}, files),
              (TActions{Open(InBase("Eigene")), Open(InBase("Dateien/brief.txt"))}));
    // The whole rest is looked at before any option.
    files.existing = {InBase("-P a.txt")};
    EXPECT_EQ(Own({"-P", "a.txt"}, files), TActions{Open(InBase("-P a.txt"))});
}

TEST(CommandLineOwn, QuotedProgramPathIsCutOffWithItsQuotes)
{
    const QString program = QStringLiteral("/opt/my apps/quillon");
    TFiles files;
    files.existing = {InBase("my notes.txt")};
    const QStringList arguments{"my", "notes.txt"};
    EXPECT_EQ(cmdline::InterpretOwn("\"" + program + "\" my notes.txt", program, arguments, kBase, files.Exists()),
              TActions{Open(InBase("my notes.txt"))});
    // Unquoted the path is cut by its length all the same.
    EXPECT_EQ(Own(arguments, files, program), TActions{Open(InBase("my notes.txt"))});
}

TEST(CommandLineOwn, OptionsInAnyCaseTakeTheFollowingArgument)
{
    TFiles files;
    files.existing = {InBase("a.txt"), InBase("b.txt")};
    EXPECT_EQ(Own({"a.txt", "b.txt"}, files), (TActions{Open(InBase("a.txt")), Open(InBase("b.txt"))}));
    EXPECT_EQ(Own({"-p", "a.txt"}, files), TActions{Print(InBase("a.txt"))});
    EXPECT_EQ(Own({"/OEM", "a.txt"}, files), TActions{Oem(InBase("a.txt"))});
    EXPECT_EQ(Own({"a.txt", "-P"}, files), TActions{Open(InBase("a.txt"))});
    EXPECT_EQ(Own({"a.txt", "/i", "x.ini", "/P", "/tmp/b.txt", "-Oem", "../c.txt", "d.txt"}, files),
              (TActions{Open(InBase("a.txt")), Ini("x.ini"), Print("/tmp/b.txt"), Oem("/home/u/c.txt"),
                        Open(InBase("d.txt"))}));
    // A value is never read as an option, even when it looks like one.
    EXPECT_EQ(Own({"-P", "-I", "x.ini"}, files), (TActions{Print(InBase("-I")), Open(InBase("x.ini"))}));
}

TEST(CommandLineOwn, NamesAreCleanedOfQuotesAndEmptyOnesIgnored)
{
    TFiles files;
    EXPECT_EQ(Own({" \"sub/a.txt\"", "\"/tmp/b.txt", "<neu>", "\"", "", "-OEM", "\"\""}, files),
              (TActions{Open(InBase("sub/a.txt")), Open("/tmp/b.txt"), Open("<neu>")}));
}

TEST(CommandLineOwn, OnlyAsciiLettersMakeOptions)
{
    TFiles files;
    // U+0131, the dotless i, becomes "I" in Unicode upper case.
    EXPECT_EQ(Own({"-ı", "x.ini", "-Ö", "a.txt"}, files),
              (TActions{Open(InBase("-ı")), Open(InBase("x.ini")), Open(InBase("-Ö")), Open(InBase("a.txt"))}));
    // A Turkish locale upper-cases "i" to "İ"; "-i" must stay the option.
    const QLocale previous;
    QLocale::setDefault(QLocale(QLocale::Turkish, QLocale::Turkey));
    const TActions underTurkish = Own({"-i", "x.ini"}, files);
    QLocale::setDefault(previous);
    EXPECT_EQ(underTurkish, TActions{Ini("x.ini")});
}

TEST(CommandLineBoth, ThousandNamesAreQuickKeepTheirOrderAndAreProbedOnce)
{
    QStringList arguments;
    TActions expected;
    for (int i = 0; i < 1000; ++i) {
        arguments << QStringLiteral("f%1.txt").arg(i);
        expected << Open(InBase(arguments.last()));
    }
    TFiles files;
    QElapsedTimer timer;
    timer.start();
    EXPECT_EQ(Own(arguments, files), expected);
    EXPECT_EQ(HandedOver(arguments, files), expected);
    EXPECT_LT(timer.elapsed(), 1000);
    EXPECT_EQ(files.asked.size(), 2);
}

TEST(CommandLineHandedOver, NoNamesOpenNothing)
{
    TFiles files;
    EXPECT_EQ(HandedOver({}, files), TActions{});
    EXPECT_EQ(HandedOver({"\"\""}, files), TActions{});
    EXPECT_EQ(HandedOver({"-I", "x.ini"}, files), TActions{});
    EXPECT_EQ(HandedOver({"-oem", "a.txt"}, files), TActions{Oem(InBase("a.txt"))});
}

TEST(CommandLineHandedOver, SettingsOptionIsSkippedAndOtherOptionsAct)
{
    TFiles files;
    EXPECT_EQ(HandedOver({"-I", "x.ini", "a.txt"}, files), TActions{Open(InBase("a.txt"))});
    EXPECT_EQ(HandedOver({"/p", "a.txt", "/OEM", "/tmp/b.txt", "-i", "x.ini", "c.txt", "-P"}, files),
              (TActions{Print(InBase("a.txt")), Oem("/tmp/b.txt"), Open(InBase("c.txt"))}));
}

TEST(CommandLineHandedOver, EachArgumentStaysOneNameAsOnTheOwnLine)
{
    TFiles files;
    const QStringList odd{"tab\tname.txt", "q\"uote.txt", "a \"b\" c.txt", "a b.txt", "zeile\r\n.txt"};
    const TActions expected{Open(InBase("tab\tname.txt")), Open(InBase("q\"uote.txt")), Open(InBase("a \"b\" c.txt")),
                            Open(InBase("a b.txt")), Open(InBase("zeile\r\n.txt"))};
    EXPECT_EQ(HandedOver(odd, files), expected);
    EXPECT_EQ(Own(odd, files), expected);
    // An unquoted name with blanks that exists as a whole is one name here too.
    files.existing = {InBase("Eigene Dateien/brief.txt")};
    EXPECT_EQ(HandedOver({"Eigene", "Dateien/brief.txt"}, files), TActions{Open(InBase("Eigene Dateien/brief.txt"))});
}

TEST(CommandLineBoth, AnExistingExactNameWinsOverTheTrimmedOne)
{
    TFiles files;
    files.existing = {InBase(" lead.txt"), InBase("lead.txt"),       InBase("x.txt\""),
                      InBase("x.txt"),     InBase("\"quoted\".txt"), InBase("quoted\".txt")};
    for (const QString name : {" lead.txt", "x.txt\"", "\"quoted\".txt"}) {
        EXPECT_EQ(Own({name}, files), TActions{Open(InBase(name))}) << name.toStdString();
        EXPECT_EQ(HandedOver({name}, files), TActions{Open(InBase(name))}) << name.toStdString();
        EXPECT_EQ(Own({"a.txt", "-P", name}, files), (TActions{Open(InBase("a.txt")), Print(InBase(name))}));
        EXPECT_EQ(HandedOver({name, "a.txt"}, files), (TActions{Open(InBase(name)), Open(InBase("a.txt"))}));
    }
    // Where the exact name is no file, the quotes and blanks still go.
    files.existing = {InBase("lead.txt")};
    EXPECT_EQ(HandedOver({" lead.txt", "\"b.txt\""}, files),
              (TActions{Open(InBase("lead.txt")), Open(InBase("b.txt"))}));
}

TEST(CommandLineBoth, NamesThatAreNotUtf8AreKeptAndRefused)
{
    const QByteArray latin1("\xe4nd.txt");
    const QString name = cmdline::FromLocal(latin1);
    EXPECT_FALSE(cmdline::Reachable(name));
    EXPECT_EQ(cmdline::ToLocal(name), latin1);
    EXPECT_EQ(cmdline::Shown(name), QStringLiteral("\\xE4nd.txt"));
    // Different stray bytes stay different names, unlike U+FFFD.
    EXPECT_NE(cmdline::FromLocal("\xe5nd.txt"), name);
    EXPECT_NE(cmdline::FromLocal("\xef\xbf\xbdnd.txt"), name);
    // Proper UTF-8, four-byte characters included, is plain text.
    const QByteArray utf8("\xc3\xa4nd \xf0\x9f\x98\x80.txt");
    EXPECT_EQ(cmdline::FromLocal(utf8), QString::fromUtf8(utf8));
    EXPECT_TRUE(cmdline::Reachable(cmdline::FromLocal(utf8)));
    // Overlong forms, encoded surrogates, cut sequences: every byte kept.
    for (const QByteArray &bad : {QByteArray("\xc0\xaf"), QByteArray("\xed\xa0\x80"), QByteArray("a\xe2\x82"),
                                  QByteArray("\xf4\x90\x80\x80"), QByteArray("\xff")}) {
        EXPECT_FALSE(cmdline::Reachable(cmdline::FromLocal(bad)));
        EXPECT_EQ(cmdline::ToLocal(cmdline::FromLocal(bad)), bad);
    }

    TFiles files;
    // Looked up, the lossy name could find another file.
    files.existing = {InBase(QString::fromUtf8(latin1))};
    EXPECT_EQ(Own({name, "b.txt"}, files), (TActions{{TAction::Unreachable, InBase(name)}, Open(InBase("b.txt"))}));
    EXPECT_EQ(HandedOver({"-P", name}, files), (TActions{{TAction::Unreachable, InBase(name)}}));
    EXPECT_EQ(Own({"-I", name}, files), (TActions{{TAction::UnreachableIni, name}}));
    EXPECT_EQ(HandedOver({"-I", name, "c.txt"}, files), TActions{Open(InBase("c.txt"))});
    // A start folder that is not UTF-8 makes every relative name so.
    const QString folder = cmdline::FromLocal("/home/\xfc");
    EXPECT_EQ(cmdline::InterpretOwn(cmdline::RawCommandLine(kProgram, {"a.txt", "-I", "q.ini"}), kProgram,
                                    {"a.txt", "-I", "q.ini"}, folder, files.Exists()),
              (TActions{{TAction::Unreachable, folder + "/a.txt"}, {TAction::UnreachableIni, "q.ini"}}));
    EXPECT_EQ(cmdline::InterpretOwn(cmdline::RawCommandLine(kProgram, {"/tmp/a.txt", "-I", "/tmp/q.ini"}), kProgram,
                                    {"/tmp/a.txt", "-I", "/tmp/q.ini"}, folder, files.Exists()),
              (TActions{Open("/tmp/a.txt"), Ini("/tmp/q.ini")}));
}
