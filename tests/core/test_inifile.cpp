#include "app/core/IniFile.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <csignal>
#include <limits>
#include <random>
#include <sys/resource.h>

namespace {

template <std::size_t N> QByteArray Bytes(const char (&s)[N]) // keeps embedded NULs
{
    return QByteArray(s, qsizetype(N - 1));
}

TIniFile Parsed(const QByteArray &bytes)
{
    TIniFile ini(QString{});
    ini.LoadFromBytes(bytes);
    return ini;
}

QString S(const char *utf8)
{
    return QString::fromUtf8(utf8);
}

QByteArray ReadAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

bool WriteAll(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// ---------------------------------------------------------------- reading

TEST(IniFileRead, SectionsAndKeysMatchWithoutRegardToCase)
{
    const TIniFile ini = Parsed("[Window]\r\nLeft=12\r\n[FONT]\r\nname=Courier\r\n");
    EXPECT_EQ(ini.ReadString("window", "LEFT", "-"), "12");
    EXPECT_EQ(ini.ReadString("WINDOW", "left", "-"), "12");
    EXPECT_EQ(ini.ReadString("Font", "Name", "-"), "Courier");
    EXPECT_EQ(ini.ReadString("Font", "Left", "-"), "-") << "keys belong to their own section";
    EXPECT_EQ(ini.ReadString("Windows", "Left", "-"), "-") << "no prefix matching";
}

TEST(IniFileRead, LatinLettersMatchWithoutRegardToCaseInBothEncodings)
{
    const TIniFile utf8 = Parsed(Bytes("[\xC3\x9C"
                                       "bersicht]\nGr\xC3\xB6\xC3\x9F"
                                       "e=1\n"));
    ASSERT_EQ(utf8.Encoding(), TIniFile::TEncoding::Utf8);
    EXPECT_EQ(utf8.ReadString(S("\xC3\xBC"
                                "BERSICHT"),
                              S("GR\xC3\x96\xC3\x9F"
                                "E"),
                              "-"),
              "1");

    const TIniFile ansi = Parsed(Bytes("[\xDC"
                                       "bersicht]\nGr\xF6\xDF"
                                       "e=1\n\x8A=2\n"));
    ASSERT_EQ(ansi.Encoding(), TIniFile::TEncoding::Windows1252);
    EXPECT_EQ(ansi.ReadString(S("\xC3\xBC"
                                "BERSICHT"),
                              S("GR\xC3\x96\xC3\x9F"
                                "E"),
                              "-"),
              "1");
    EXPECT_EQ(ansi.ReadString(S("\xC3\x9C"
                                "bersicht"),
                              S("\xC5\xA1"), "-"),
              "2")
        << "Windows-1252 0x8A is \"Š\"";

    // Folding must not let a non-ASCII character stand for an ASCII letter.
    const TIniFile kelvin = Parsed(Bytes("[A]\n\xE2\x84\xAA=1\n\xC5\xBF=2\n"));
    EXPECT_EQ(kelvin.ReadString("A", "k", "-"), "-");
    EXPECT_EQ(kelvin.ReadString("A", "s", "-"), "-");
    const TIniFile ascii = Parsed("[A]\nk=1\ns=2\n");
    EXPECT_EQ(ascii.ReadString("A", S("\xE2\x84\xAA"), "-"), "-");
    EXPECT_EQ(ascii.ReadString("A", S("\xC5\xBF"), "-"), "-");
}

TEST(IniFileRead, FirstMatchingSectionAndKeyCount)
{
    const TIniFile ini = Parsed("[A]\nx=first\nX=second\n[B]\ny=b\n[a]\nx=later\nz=only later\n");
    EXPECT_EQ(ini.ReadString("A", "x", "-"), "first");
    EXPECT_EQ(ini.ReadString("A", "z", "-"), "-") << "a repeated section is not read";
    EXPECT_EQ(ini.ReadString("B", "y", "-"), "b");
}

TEST(IniFileRead, ValueIsTheTrimmedTextAfterTheFirstEqualsSign)
{
    const TIniFile ini = Parsed("[ Files ]\n\t Filter \t=  a=b|c==d \t \nEmpty=\nBlank=   \n=nokey\n");
    EXPECT_EQ(ini.ReadString("Files", "Filter", "-"), "a=b|c==d");
    EXPECT_EQ(ini.ReadString(" Files\t", "\tFilter ", "-"), "a=b|c==d") << "blanks around the asked names";
    EXPECT_EQ(ini.ReadValue("Files", "Empty"), std::optional<QString>(QString()));
    EXPECT_EQ(ini.ReadValue("Files", "Blank"), std::optional<QString>(QString()));
    EXPECT_EQ(ini.ReadString("Files", "", "-"), "nokey");
    EXPECT_EQ(ini.ReadString("Files", "Missing", "-"), "-");
    EXPECT_FALSE(ini.ReadValue("Files", "Missing").has_value());
}

TEST(IniFileRead, CommentsLooseLinesAndKeysOutsideSectionsAreNeverKeys)
{
    const TIniFile ini = Parsed("Top=1\n[A]\n;Commented=1\n  ; Indented=2\nLoose line\n[Open=3\n"
                                "[B] trailing ; text\nk=v\n[C]]\nc=1\n");
    EXPECT_FALSE(ini.ReadValue("", "Top").has_value());
    EXPECT_FALSE(ini.ReadValue("A", ";Commented").has_value());
    EXPECT_FALSE(ini.ReadValue("A", "; Indented").has_value());
    EXPECT_FALSE(ini.ReadValue("A", "Loose line").has_value());
    EXPECT_FALSE(ini.ReadValue("A", "[Open").has_value()) << "a bracket line is never a key";
    EXPECT_EQ(ini.ReadString("B", "k", "-"), "v") << "text after the \"]\" is ignored";
    EXPECT_EQ(ini.ReadString("C]", "c", "-"), "1") << "the name runs to the last \"]\"";
}

TEST(IniFileRead, LineBreaksOfEveryKindEndLines)
{
    const TIniFile ini = Parsed("[A]\r\na=1\rb=2\nc=3\r\n\r\nd=4");
    for (const char *key : {"a", "b", "c", "d"})
        EXPECT_EQ(ini.ReadString("A", key, "-"), QString::number(key[0] - 'a' + 1)) << key;
}

TEST(IniFileRead, StringsAreCutTo2047Characters)
{
    const QString exact(2047, QLatin1Char('x'));
    const QString longer = QString(2047, QLatin1Char('y')) + QStringLiteral("zzz");
    EXPECT_EQ(Parsed("[A]\nk=" + exact.toLatin1() + "\n").ReadString("A", "k", "-"), exact);
    EXPECT_EQ(Parsed("[A]\nk=" + longer.toLatin1() + "\n").ReadString("A", "k", "-"), longer.left(2047));

    // Characters, not bytes: 3000 "ä" take 6000 bytes in UTF-8.
    const QString umlauts(3000, QChar(0xE4));
    const QString read = Parsed("[A]\nk=" + umlauts.toUtf8() + "\n").ReadString("A", "k", "-");
    EXPECT_EQ(read, umlauts.left(2047));

    // A surrogate pair across the limit is dropped as a whole.
    const QString pairs = QString(2046, QLatin1Char('a')) + S("\xF0\x9F\x98\x80\xF0\x9F\x98\x80");
    EXPECT_EQ(Parsed("[A]\nk=" + pairs.toUtf8()).ReadString("A", "k", "-"), pairs.left(2046));

    // Blanks are trimmed from the whole value, then it is cut: inner blanks
    // before the cut stay.
    const QString v2000(2000, QLatin1Char('v'));
    const QByteArray blanks(5000, ' ');
    EXPECT_EQ(Parsed("[A]\nk=" + v2000.toLatin1() + blanks + "\n").ReadString("A", "k", "-"), v2000);
    EXPECT_EQ(Parsed("[A]\nk=" + v2000.toLatin1() + blanks + "x\n").ReadString("A", "k", "-"),
              v2000 + QString(47, QLatin1Char(' ')));
}

// ---------------------------------------------------------------- numbers

TEST(IniFileInteger, DecimalAndHexadecimalText)
{
    struct Case
    {
        const char *text;
        std::optional<qint32> value;
    };
    const Case cases[] = {
        {"0", 0},
        {"42", 42},
        {"+42", 42},
        {"-42", -42},
        {"-0", 0},
        {"007", 7},
        {"  \t12 \t", 12},
        {"2147483647", 2147483647},
        {"-2147483648", std::numeric_limits<qint32>::min()},
        {"0x1F", 31},
        {"0X1f", 31},
        {"$ff", 255},
        {"$7FFFFFFF", 2147483647},
        {"$FFFFFFFF", -1},
        {"0x80000000", std::numeric_limits<qint32>::min()},
        {"$00000000000001", 1},
        // out of range
        {"2147483648", std::nullopt},
        {"-2147483649", std::nullopt},
        {"99999999999999999999999", std::nullopt},
        {"$100000000", std::nullopt},
        // not integers
        {"12abc", std::nullopt},
        {"12 3", std::nullopt},
        {"1.5", std::nullopt},
        {"", std::nullopt},
        {"   ", std::nullopt},
        {"-", std::nullopt},
        {"+", std::nullopt},
        {"- 5", std::nullopt},
        {"0x", std::nullopt},
        {"$", std::nullopt},
        {"$G", std::nullopt},
        {"0x1G", std::nullopt},
        {"-0x10", -16},
        {"-$10", -16},
        {"-0x7fffffff", -2147483647},
        {"x10", std::nullopt},
        {"\xEF\xBC\x91\xEF\xBC\x92", std::nullopt}, // full-width digits
    };
    for (const Case &c : cases)
        EXPECT_EQ(TIniFile::ParseInteger(S(c.text)), c.value) << '"' << c.text << '"';
}

TEST(IniFileInteger, ReadsTreatNonIntegersAsMissing)
{
    const TIniFile ini = Parsed("[N]\nA=-5\nB=$10\nC=12abc\nD=\nE=2\nF=0\nG=yes\n");
    EXPECT_EQ(ini.ReadInteger("N", "A"), std::optional<qint32>(-5));
    EXPECT_EQ(ini.ReadInteger("N", "B", 0), 16);
    EXPECT_EQ(ini.ReadInteger("N", "C", 77), 77);
    EXPECT_EQ(ini.ReadInteger("N", "D", 77), 77);
    EXPECT_EQ(ini.ReadInteger("N", "Missing", 77), 77);
    EXPECT_FALSE(ini.ReadInteger("N", "C").has_value());

    EXPECT_TRUE(ini.ReadBool("N", "A", false)) << "any integer but 0 is true";
    EXPECT_TRUE(ini.ReadBool("N", "E", false));
    EXPECT_FALSE(ini.ReadBool("N", "F", true));
    EXPECT_TRUE(ini.ReadBool("N", "G", true)) << "not an integer: the default";
    EXPECT_FALSE(ini.ReadBool("N", "G", false));
    EXPECT_TRUE(ini.ReadBool("N", "Missing", true));
}

TEST(IniFileInteger, WrittenAsDecimalAndBooleansAsOneOrZero)
{
    TIniFile ini = Parsed(QByteArray());
    ini.WriteInteger("W", "Min", std::numeric_limits<qint32>::min());
    ini.WriteInteger("W", "Left", -5);
    ini.WriteBool("W", "On", true);
    ini.WriteBool("W", "Off", false);
    EXPECT_EQ(ini.Bytes(), "[W]\r\nMin=-2147483648\r\nLeft=-5\r\nOn=1\r\nOff=0\r\n");
    EXPECT_EQ(ini.ReadInteger("W", "Min"), std::optional<qint32>(std::numeric_limits<qint32>::min()));
}

// ---------------------------------------------------------------- writing

TEST(IniFileWrite, ReplacesAKeyInPlaceAndKeepsEveryOtherByte)
{
    const QByteArray crlf = "; settings\r\n\r\n[Window]\r\n  LEFT = 10 \r\n;note\r\nTop=5\r\n\r\n[Other]\r\nLeft=1\r\n";
    TIniFile ini = Parsed(crlf);
    ini.WriteInteger("window", "left", 99);
    EXPECT_EQ(ini.Bytes(), "; settings\r\n\r\n[Window]\r\nLEFT=99\r\n;note\r\nTop=5\r\n\r\n[Other]\r\nLeft=1\r\n")
        << "the key keeps the file's spelling; the indent and the blanks go";

    TIniFile lf = Parsed("[A]\nx=1\ny=2\n");
    lf.WriteString("A", "x", "a=b");
    EXPECT_EQ(lf.Bytes(), "[A]\nx=a=b\ny=2\n");

    TIniFile open = Parsed("[A]\r\nx=1\r\ny=2");
    open.WriteString("A", "y", "3");
    EXPECT_EQ(open.Bytes(), "[A]\r\nx=1\r\ny=3") << "the last line keeps having no line break";

    TIniFile duplicate = Parsed("[A]\nk=1\n[A]\nk=2\n");
    duplicate.WriteString("a", "K", "9");
    EXPECT_EQ(duplicate.Bytes(), "[A]\nk=9\n[A]\nk=2\n");
}

TEST(IniFileWrite, NewKeyGoesAfterTheLastKeyOfItsSection)
{
    TIniFile ini = Parsed("[A]\r\nx=1\r\nloose\r\ny=2\r\n\r\n; about B\r\n[B]\r\nz=3\r\n");
    ini.WriteString("A", "New", "v");
    EXPECT_EQ(ini.Bytes(), "[A]\r\nx=1\r\nloose\r\ny=2\r\nNew=v\r\n\r\n; about B\r\n[B]\r\nz=3\r\n");

    TIniFile empty = Parsed("[A]\n; nothing yet\n\n[B]\n");
    empty.WriteString("A", "k", "v");
    EXPECT_EQ(empty.Bytes(), "[A]\nk=v\n; nothing yet\n\n[B]\n") << "without keys, right after the header";

    TIniFile last = Parsed("[A]\nx=1");
    last.WriteString("A", "y", "2");
    EXPECT_EQ(last.Bytes(), "[A]\nx=1\ny=2\n") << "a line break first, then the new line";

    TIniFile headerOnly = Parsed("[A]");
    headerOnly.WriteString("A", "y", "2");
    EXPECT_EQ(headerOnly.Bytes(), "[A]\r\ny=2\r\n");

    TIniFile repeated = Parsed("[A]\nx=1\n[A]\n");
    repeated.WriteString("A", "y", "2");
    EXPECT_EQ(repeated.Bytes(), "[A]\nx=1\ny=2\n[A]\n") << "into the first section of the name";
}

TEST(IniFileWrite, NewSectionGoesAtTheEndAfterABlankLine)
{
    TIniFile fresh = Parsed(QByteArray());
    fresh.WriteString("Window", "Left", "1");
    fresh.WriteString("Font", "Name", "Arial");
    fresh.WriteString("Window", "Top", "2");
    EXPECT_EQ(fresh.Bytes(), "[Window]\r\nLeft=1\r\nTop=2\r\n\r\n[Font]\r\nName=Arial\r\n");

    TIniFile lf = Parsed("[A]\nx=1\n");
    lf.WriteString("B", "y", "2");
    EXPECT_EQ(lf.Bytes(), "[A]\nx=1\n\n[B]\ny=2\n");

    TIniFile blankAlready = Parsed("[A]\nx=1\n\n");
    blankAlready.WriteString("B", "y", "2");
    EXPECT_EQ(blankAlready.Bytes(), "[A]\nx=1\n\n[B]\ny=2\n");

    TIniFile open = Parsed("[A]\r\nx=1");
    open.WriteString("B", "y", "2");
    EXPECT_EQ(open.Bytes(), "[A]\r\nx=1\r\n\r\n[B]\r\ny=2\r\n");

    TIniFile comment = Parsed("; only a comment\n");
    comment.WriteString("B", "y", "2");
    EXPECT_EQ(comment.Bytes(), "; only a comment\n\n[B]\ny=2\n");
}

TEST(IniFileWrite, NewLinesUseTheDominantLineEnding)
{
    TIniFile mostlyLf = Parsed("[A]\r\nx=1\ny=2\nz=3\n");
    mostlyLf.WriteString("A", "w", "4");
    EXPECT_EQ(mostlyLf.Bytes(), "[A]\r\nx=1\ny=2\nz=3\nw=4\n");

    TIniFile cr = Parsed("[A]\rx=1\r");
    cr.WriteString("A", "y", "2");
    cr.WriteString("B", "z", "3");
    EXPECT_EQ(cr.Bytes(), "[A]\rx=1\ry=2\r\r[B]\rz=3\r");
}

TEST(IniFileWrite, AddedLineBreaksDoNotMergeWithLoneOnes)
{
    // An added CR before a following LF, or an added LF after a lone CR,
    // would become one CR LF and swallow a line.
    TIniFile cr = Parsed("[A]\rx=1\n\n\r\r\r");
    cr.WriteString("A", "y", "2");
    EXPECT_EQ(cr.Bytes(), "[A]\rx=1\ny=2\r\n\n\r\r\r");
    const TIniFile again = Parsed(cr.Bytes());
    EXPECT_EQ(again.ReadString("A", "x", "-"), "1");
    EXPECT_EQ(again.ReadString("A", "y", "-"), "2");

    TIniFile lf = Parsed("[A]\nx=1\n\ny=2\r");
    lf.WriteString("B", "z", "3");
    EXPECT_EQ(lf.Bytes(), "[A]\nx=1\n\ny=2\r\r\n[B]\nz=3\n");
}

TEST(IniFileWrite, LineBreaksInNamesAndValuesCannotAddLines)
{
    TIniFile ini = Parsed("[A]\nx=1\n");
    ini.WriteString("A", "x", "one\r\n[Evil]\rk=2\n");
    EXPECT_EQ(ini.Bytes(), "[A]\nx=one  [Evil] k=2 \n");
    EXPECT_FALSE(ini.ReadValue("Evil", "k").has_value());

    ini.WriteString("B\nC", "k\r", "v");
    EXPECT_EQ(ini.ReadString("B C", "k", "-"), "v");
    EXPECT_EQ(ini.ReadString("B\nC", "k\r", "-"), "v");
}

TEST(IniFileWrite, ByteOrderMarkStaysAndDoesNotHideTheFirstHeader)
{
    TIniFile ini = Parsed("\xEF\xBB\xBF[A]\r\nx=1\r\n");
    EXPECT_EQ(ini.ReadString("A", "x", "-"), "1");
    ini.WriteString("A", "x", S("\xC3\xA4"));
    EXPECT_EQ(ini.Bytes(), "\xEF\xBB\xBF[A]\r\nx=\xC3\xA4\r\n");

    TIniFile bomOnly = Parsed("\xEF\xBB\xBF");
    bomOnly.WriteString("A", "x", "1");
    EXPECT_EQ(bomOnly.Bytes(), "\xEF\xBB\xBF[A]\r\nx=1\r\n");
}

// ---------------------------------------------------------------- encoding

TEST(IniFileEncoding, Windows1252StaysWindows1252)
{
    TIniFile ini = Parsed("[Font]\r\nName=Sch\xE4rfe\r\n");
    ASSERT_EQ(ini.Encoding(), TIniFile::TEncoding::Windows1252);
    EXPECT_EQ(ini.ReadString("Font", "Name", "-"), S("Sch\xC3\xA4rfe"));
    ini.WriteString("Font", "Name", S("\xC3\xB6 \xE2\x82\xAC"));  // "ö €"
    ini.WriteString("Options", "OtherEditor", S("\xE4\xB8\xAD")); // a CJK character
    EXPECT_EQ(ini.Bytes(), "[Font]\r\nName=\xF6 \x80\r\n\r\n[Options]\r\nOtherEditor=?\r\n");
}

TEST(IniFileEncoding, ANameWindows1252LacksIsFoundAgainAsWritten)
{
    // Found by fuzzing: each write of such a key added another "?=" line.
    TIniFile ini = Parsed("[A]\r\nx=\xE4\r\n");
    const QString cjk = S("\xE4\xB8\xAD");
    ini.WriteString("A", cjk, "1");
    ini.WriteString("A", cjk, "2");
    EXPECT_EQ(ini.Bytes(), "[A]\r\nx=\xE4\r\n?=2\r\n");
    EXPECT_EQ(ini.ReadString("A", cjk, "-"), "2");
    ini.WriteString(cjk, "k", "3");
    ini.WriteString(cjk, "k", "4");
    EXPECT_EQ(ini.Bytes(), "[A]\r\nx=\xE4\r\n?=2\r\n\r\n[?]\r\nk=4\r\n");
}

TEST(IniFileEncoding, Utf8StaysUtf8AndANewFileIsUtf8)
{
    TIniFile ini = Parsed("[Font]\nName=Sch\xC3\xA4rfe\n");
    ASSERT_EQ(ini.Encoding(), TIniFile::TEncoding::Utf8);
    EXPECT_EQ(ini.ReadString("Font", "Name", "-"), S("Sch\xC3\xA4rfe"));
    ini.WriteString("Font", "Name", S("\xC3\xB6 \xE4\xB8\xAD"));
    EXPECT_EQ(ini.Bytes(), "[Font]\nName=\xC3\xB6 \xE4\xB8\xAD\n");

    TIniFile fresh(QString{});
    EXPECT_EQ(fresh.Encoding(), TIniFile::TEncoding::Utf8);
    fresh.WriteString("A", "k", S("\xC3\xA4"));
    EXPECT_EQ(fresh.Bytes(), "[A]\r\nk=\xC3\xA4\r\n");
}

TEST(IniFileEncoding, AZeroWidthNoBreakSpaceInsideTheFileIsText)
{
    // Found by fuzzing: a value starting with U+FEFF lost it on reading,
    // as if it were the file's byte order mark.
    const QString feff(QChar(0xFEFF));
    TIniFile ini = Parsed("[\xEF\xBB\xBF"
                          "A]\n\xEF\xBB\xBF"
                          "k=\xEF\xBB\xBF"
                          "v\n");
    EXPECT_EQ(ini.ReadString(feff + "A", feff + "k", "-"), feff + "v");
    EXPECT_EQ(ini.ReadString("A", "k", "-"), "-");
    ini.WriteString("B", "x", feff + "w");
    EXPECT_EQ(Parsed(ini.Bytes()).ReadString("B", "x", "-"), feff + "w");
}

TEST(IniFileEncoding, OnlyValidUtf8CountsAsUtf8)
{
    using E = TIniFile::TEncoding;
    EXPECT_EQ(Parsed("plain ASCII").Encoding(), E::Utf8);
    EXPECT_EQ(Parsed("\xF0\x9F\x98\x80").Encoding(), E::Utf8);
    EXPECT_EQ(Parsed("\xC3").Encoding(), E::Windows1252) << "cut sequence";
    EXPECT_EQ(Parsed("\xC0\xAF").Encoding(), E::Windows1252) << "overlong";
    EXPECT_EQ(Parsed("\xED\xA0\x80").Encoding(), E::Windows1252) << "surrogate";
    EXPECT_EQ(Parsed("\xF4\x90\x80\x80").Encoding(), E::Windows1252) << "above U+10FFFF";
    EXPECT_EQ(Parsed("\xEF\xBB\xBF\xE4").Encoding(), E::Utf8) << "a BOM decides";
}

// ---------------------------------------------------------------- the file

class IniFileDisk : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(m_dir.isValid()); }
    QString Path(const QString &name) const { return m_dir.filePath(name); }
    QStringList Entries() const
    {
        return QDir(m_dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
    }

    QTemporaryDir m_dir;
};

TEST_F(IniFileDisk, LoadAndSaveRoundTrip)
{
    const QString path = Path("quillon.ini");
    ASSERT_TRUE(WriteAll(path, "; kept\r\n[Margin]\r\nLeft=10\r\n"));
    TIniFile ini(path);
    ini.Load();
    EXPECT_EQ(ini.ReadInteger("Margin", "Left", 0), 10);
    ini.WriteInteger("Margin", "Right", 20);
    ASSERT_TRUE(ini.Save());
    EXPECT_EQ(ReadAll(path), "; kept\r\n[Margin]\r\nLeft=10\r\nRight=20\r\n");
    EXPECT_EQ(Entries(), QStringList{"quillon.ini"}) << "no temporary file left behind";
}

TEST_F(IniFileDisk, MissingOrNonFileReadsAsEmpty)
{
    TIniFile missing(Path("none.ini"));
    missing.Load();
    EXPECT_TRUE(missing.Bytes().isEmpty());
    EXPECT_FALSE(missing.ReadValue("A", "k").has_value());

    ASSERT_TRUE(QDir(m_dir.path()).mkdir("folder.ini"));
    TIniFile folder(Path("folder.ini"));
    folder.Load();
    EXPECT_TRUE(folder.Bytes().isEmpty());
}

TEST_F(IniFileDisk, SaveIntoAMissingFolderFailsAndCreatesNothing)
{
    TIniFile ini(Path("gone/quillon.ini"));
    ini.WriteString("A", "k", "v");
    EXPECT_FALSE(ini.Save());
    EXPECT_EQ(Entries(), QStringList{});
}

TEST_F(IniFileDisk, SaveFailingMidwayLeavesTheOldFileIntact)
{
    // A file size limit makes the temporary file's write fail, even as root.
    const QString path = Path("quillon.ini");
    const QByteArray old = "[A]\nk=old\n";
    ASSERT_TRUE(WriteAll(path, old));
    TIniFile ini(path);
    ini.Load();
    ini.WriteString("A", "k", QString(64 * 1024, QLatin1Char('n')));

    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 4096;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool saved_ok = ini.Save();
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);

    EXPECT_FALSE(saved_ok);
    EXPECT_EQ(ReadAll(path), old);
    EXPECT_EQ(Entries(), QStringList{"quillon.ini"});
}

TEST_F(IniFileDisk, AnOversizedFileIsReadInPartAndNeverOverwritten)
{
    // A -I pointing at a large file by mistake: the lines within the limit
    // are read, the rest counts as absent, and saving would cut the file.
    QByteArray big = "[A]\nfirst=1\n";
    big.append(QByteArray(TIniFile::kMaxBytes - big.size() - 4, 'x'));
    big.append("\nsecond=2\nthird=3\n");
    const QString path = Path("video.ini");
    ASSERT_TRUE(WriteAll(path, big));

    TIniFile ini(path);
    ini.Load();
    EXPECT_TRUE(ini.TooLarge());
    EXPECT_EQ(ini.ReadString("A", "first", "-"), "1");
    EXPECT_EQ(ini.ReadString("A", "second", "-"), "-") << "cut in the middle of this line";
    EXPECT_EQ(ini.ReadString("A", "third", "-"), "-");
    ini.WriteString("A", "first", "changed");
    EXPECT_FALSE(ini.Save());
    EXPECT_EQ(ReadAll(path), big);

    TIniFile fits(path);
    fits.LoadFromBytes(big.left(TIniFile::kMaxBytes));
    EXPECT_FALSE(fits.TooLarge());
}

// ---------------------------------------------------------------- robustness

TEST(IniFileRobustness, HugeLineIsHandledInLinearTime)
{
    QByteArray bytes = "[A]\nbefore=1\nlong=";
    bytes.append(QByteArray(10 << 20, 'v'));
    bytes.append("\n" + QByteArray(4 << 20, 'k') + "=x\nafter=2\n");
    QElapsedTimer timer;
    timer.start();
    TIniFile ini = Parsed(bytes);
    ASSERT_FALSE(ini.TooLarge());
    EXPECT_EQ(ini.ReadString("A", "long", "-"), QString(2047, QLatin1Char('v')));
    EXPECT_EQ(ini.ReadString("A", "after", "-"), "2");
    EXPECT_EQ(ini.ReadString(S("\xC3\xA4"), S("\xC3\xA4"), "-"), "-");
    ini.WriteString("A", "after", "3");
    ini.WriteString("A", "new", "4");
    EXPECT_EQ(ini.ReadString("A", "new", "-"), "4");
    EXPECT_LT(timer.elapsed(), 5000);
}

TEST(IniFileRobustness, ManyLinesOfOneBreakDoNotRescanForTheOther)
{
    // 8 MB of LF with a lone CR at the end: looking for the next CR afresh
    // at every line would take hours.
    QByteArray bytes = "[A]\n" + QByteArray(8 << 20, '\n') + "k=1\r";
    QElapsedTimer timer;
    timer.start();
    TIniFile ini = Parsed(bytes);
    EXPECT_EQ(ini.ReadString("A", "k", "-"), "1");
    ini.WriteString("B", "k", "2");
    EXPECT_EQ(ini.ReadString("B", "k", "-"), "2");
    EXPECT_LT(timer.elapsed(), 5000);
}

TEST(IniFileRobustness, BinaryBlobReadsAndWritesWithoutHarm)
{
    std::mt19937 random(1234);
    QByteArray blob(8 << 20, '\0');
    for (char &c : blob)
        c = char(random() & 0xFF);
    for (int i = 0; i < 1000; ++i)
        blob[qsizetype(random() % blob.size())] = '\0'; // and more NULs still
    QElapsedTimer timer;
    timer.start();
    TIniFile ini = Parsed(blob);
    EXPECT_EQ(ini.Encoding(), TIniFile::TEncoding::Windows1252);
    EXPECT_FALSE(ini.ReadValue("Window", "Left").has_value());
    ini.WriteInteger("Window", "Left", 7);
    EXPECT_EQ(ini.ReadInteger("Window", "Left"), std::optional<qint32>(7));
    EXPECT_TRUE(ini.Bytes().startsWith(blob)) << "the blob stays as it was";
    EXPECT_LT(timer.elapsed(), 5000);

    const QByteArray nul = Bytes("[A]\0junk\nk=1\0tail\n");
    const TIniFile withNul = Parsed(nul);
    EXPECT_EQ(withNul.ReadValue("A", "k"), std::optional<QString>(QString::fromLatin1("1\0tail", 6)));
}

} // namespace
