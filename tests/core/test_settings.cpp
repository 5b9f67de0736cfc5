#include "app/core/IniFile.h"
#include "app/core/Settings.h"

#include <gtest/gtest.h>

using settings::TSettings;

namespace {

TSettings ReadFrom(const QByteArray &bytes, const QString &otherEditor = QStringLiteral("Write.Exe"))
{
    TIniFile ini(QString{});
    ini.LoadFromBytes(bytes);
    TSettings read;
    read.otherEditor = otherEditor;
    read.Read(ini);
    return read;
}

QByteArray Written(const TSettings &values, const QByteArray &before = {})
{
    TIniFile ini(QString{});
    ini.LoadFromBytes(before);
    values.Write(ini);
    return ini.Bytes();
}

// A value other than the default in every field.
TSettings Changed()
{
    TSettings s;
    s.left = -40;
    s.top = 50;
    s.width = 640;
    s.height = 480;
    s.font.name = QStringLiteral("DejaVu Sans Mono");
    s.font.height = -17;
    s.font.size = 13;
    s.font.color = 0x0000FF;
    s.font.bold = s.font.italic = s.font.underline = s.font.strikeOut = true;
    s.font.pitch = 1;
    s.dragAccept = false;
    s.wordWrap = false;
    s.otherEditor = QStringLiteral("/usr/bin/gedit --neu");
    s.newFiles = false;
    s.defaultEncoding = encoding::TEncoding::Utf8;
    s.filter = QStringLiteral("Alles|*");
    s.leftMargin = 15;
    s.rightMargin = 0;
    s.topMargin = -3;
    s.bottomMargin = 2147483647;
    return s;
}

} // namespace

TEST(Settings, EveryFieldSurvivesAWriteAndARead)
{
    const TSettings changed = Changed();
    const QByteArray bytes = Written(changed);
    EXPECT_EQ(ReadFrom(bytes), changed) << bytes.constData();

    // Fields of one kind read from their own keys.
    const TSettings styles = ReadFrom("[Font]\nItalic=1\nStrikeOut=1\n[Options]\nWordWrap=0\n");
    EXPECT_FALSE(styles.font.bold);
    EXPECT_TRUE(styles.font.italic);
    EXPECT_FALSE(styles.font.underline);
    EXPECT_TRUE(styles.font.strikeOut);
    EXPECT_TRUE(styles.dragAccept);
    EXPECT_FALSE(styles.wordWrap);
}

TEST(Settings, TheFileLooksAsItAlwaysHas)
{
    const QByteArray bytes = Written(Changed(), "; meine Notiz\r\n[Eigenes]\r\nX=1\r\n");
    EXPECT_EQ(bytes, QByteArray("; meine Notiz\r\n[Eigenes]\r\nX=1\r\n"
                                "\r\n[Window]\r\nLeft=-40\r\nTop=50\r\nWidth=640\r\nHeight=480\r\n"
                                "\r\n[Font]\r\nName=DejaVu Sans Mono\r\nHeight=-17\r\nSize=13\r\nColor=255\r\n"
                                "Bold=1\r\nItalic=1\r\nUnderline=1\r\nStrikeOut=1\r\nPitch=1\r\n"
                                "\r\n[Options]\r\nDragAccept=0\r\nWordWrap=0\r\nOtherEditor=/usr/bin/gedit --neu\r\n"
                                "NewFiles=0\r\nEncoding=UTF-8\r\n"
                                "\r\n[Files]\r\nFilter=Alles|*\r\n"
                                "\r\n[Margin]\r\nLeft=15\r\nRight=0\r\nTop=-3\r\nBottom=2147483647\r\n"));
}

TEST(Settings, AnEmptyFileGivesTheDefaultsAndKeepsTheOtherEditor)
{
    const TSettings read = ReadFrom({}, QStringLiteral("Write.Exe"));
    TSettings expected;
    expected.otherEditor = QStringLiteral("Write.Exe");
    EXPECT_EQ(read, expected);
    EXPECT_EQ(read.filter, QStringLiteral("Text-Dateien (*.TXT)|*.TXT|Rest (*.*)|*.*"));
    EXPECT_EQ(read.left, settings::kNoPosition);
    EXPECT_EQ(read.leftMargin, 10);
    EXPECT_TRUE(read.newFiles);
    EXPECT_EQ(read.defaultEncoding, encoding::TEncoding::Cp1252);

    // Only margins: everything else as from an empty file.
    TSettings margins = ReadFrom("[margin]\nleft=5\nRIGHT=-3\nTop=20\nBottom=0\n");
    EXPECT_EQ(margins.leftMargin, 5);
    EXPECT_EQ(margins.rightMargin, -3);
    EXPECT_EQ(margins.topMargin, 20);
    EXPECT_EQ(margins.bottomMargin, 0);
    margins.leftMargin = margins.rightMargin = margins.topMargin = margins.bottomMargin = 10;
    EXPECT_EQ(margins, expected);

    // An empty value is a value: the other editor becomes none.
    EXPECT_EQ(ReadFrom("[Options]\nOtherEditor=\n").otherEditor, QString());
}

TEST(Settings, UnusableValuesCountAsNone)
{
    const TSettings window = ReadFrom("[Window]\nLeft=-2147483647\nTop=links\nWidth=-5\nHeight=99999999999\n");
    EXPECT_EQ(window.left, settings::kNoPosition);
    EXPECT_EQ(window.top, settings::kNoPosition);
    EXPECT_EQ(window.width, 0);
    EXPECT_EQ(window.height, 0);
    const TSettings edge = ReadFrom("[Window]\nLeft=-2147483646\nTop=0x7FFFFFFF\nWidth=$10\nHeight=1\n");
    EXPECT_EQ(edge.left, -2147483646);
    EXPECT_EQ(edge.top, 2147483647);
    EXPECT_EQ(edge.width, 16);
    EXPECT_EQ(edge.height, 1);

    struct Case
    {
        const char *font;
        qint32 height, size;
    };
    for (const Case &c :
         {Case{"Height=100000\nSize=5000\n", 0, 0}, Case{"Height=-2147483648\nSize=-2147483648\n", 0, 0},
          Case{"Height=4\nSize=3\n", 0, 0}, Case{"Height=-684\nSize=513\n", 0, 0}, Case{"Height=-5\nSize=4\n", -5, 4},
          Case{"Height=683\nSize=512\n", 683, 512}, Case{"Height=zwanzig\nSize=12pt\n", 0, 0}}) {
        const TSettings read = ReadFrom(QByteArray("[Font]\n") + c.font);
        EXPECT_EQ(read.font.height, c.height) << c.font;
        EXPECT_EQ(read.font.size, c.size) << c.font;
    }

    const TSettings font = ReadFrom("[Font]\nName=" + QByteArray(300, 'F') + "\nColor=-16777201\nPitch=3\nBold=-1\n");
    EXPECT_EQ(font.font.name, QString(255, QLatin1Char('F')));
    EXPECT_EQ(font.font.color, 0) << "system colours are not applied";
    EXPECT_EQ(font.font.pitch, 0);
    EXPECT_TRUE(font.font.bold) << "any integer other than 0 is true";

    for (const auto &[value, expected] :
         {std::pair{"1252", encoding::TEncoding::Cp1252}, std::pair{" utf-8 ", encoding::TEncoding::Utf8},
          std::pair{"UTF8", encoding::TEncoding::Cp1252}, std::pair{"latin1", encoding::TEncoding::Cp1252},
          std::pair{"", encoding::TEncoding::Cp1252}}) {
        EXPECT_EQ(ReadFrom(QByteArray("[Options]\nEncoding=") + value + "\n").defaultEncoding, expected) << value;
    }

    const TSettings options = ReadFrom("[Options]\nDragAccept=nein\nWordWrap=0\nNewFiles=\n[Margin]\nLeft=x\nTop=0x\n");
    EXPECT_TRUE(options.dragAccept) << "not a number: the default";
    EXPECT_FALSE(options.wordWrap);
    EXPECT_TRUE(options.newFiles);
    EXPECT_EQ(options.leftMargin, 10);
    EXPECT_EQ(options.topMargin, 10);
}
