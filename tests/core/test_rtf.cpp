#include "editor/core/RtfText.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <initializer_list>
#include <iterator>
#include <random>
#include <string>
#include <vector>

namespace {

template <std::size_t N> QByteArray Bytes(const char (&s)[N]) // keeps embedded NULs
{
    return QByteArray(s, qsizetype(N - 1));
}

// Failure messages show control and high bytes legibly.
std::string Show(const QByteArray &bytes)
{
    std::string out;
    for (const char ch : bytes) {
        const auto c = static_cast<unsigned char>(ch);
        if (c >= 0x20 && c < 0x7F && c != '\\')
            out += char(c);
        else
            out += "\\x" + std::string(1, "0123456789abcdef"[c >> 4]) + "0123456789abcdef"[c & 0xF];
    }
    return out;
}

QByteArray Read(const QByteArray &rtf)
{
    QByteArray text("<unset>");
    EXPECT_TRUE(rtf::ReadRtf(rtf, text)) << Show(rtf.left(200));
    return text;
}

struct Case
{
    QByteArray rtf;
    QByteArray text;
};

void ExpectReads(std::initializer_list<Case> cases)
{
    for (const Case &c : cases)
        EXPECT_EQ(Show(Read(c.rtf)), Show(c.text)) << "reading " << Show(c.rtf);
}

QByteArray RoundTrip(const QByteArray &text)
{
    return Read(rtf::WriteRtf(text, "Courier New", 10));
}

} // namespace

TEST(RtfDetection, OnlyTheHeaderAfterOptionalWhitespaceCounts)
{
    for (const QByteArray yes : {"{\\rtf1 x}", "{\\rtf", " \t\r\n{\\rtf1 x}"})
        EXPECT_TRUE(rtf::LooksLikeRtf(yes)) << Show(yes);
    for (const QByteArray no :
         {"", "{\\rt", "{\\RTF1 x}", "x{\\rtf1 x}", "\xEF\xBB\xBF{\\rtf1 x}", "{ \\rtf1 x}", "\\rtf1 x}"})
        EXPECT_FALSE(rtf::LooksLikeRtf(no)) << Show(no);
    EXPECT_FALSE(rtf::LooksLikeRtf(Bytes("\0{\\rtf1 x}")));

    ExpectReads({{"{\\rtf1}", ""}, {"{\\rtf", ""}, {"\r\n {\\rtf1 after blank}", "after blank"}});
}

TEST(RtfDetection, RefusedInputLeavesTextAlone)
{
    std::vector<QByteArray> inputs{"", "plain text\r\n", "{\\rtfx1 other word}", "{\\rtfansi x}"};
    std::mt19937 random(7);
    for (int round = 0; round < 200; ++round) {
        QByteArray noise(int(random() % 512), '\0');
        for (char &c : noise)
            c = char(random());
        if (!rtf::LooksLikeRtf(noise))
            inputs.push_back(noise);
    }
    for (const QByteArray &input : inputs) {
        QByteArray text("keep me");
        EXPECT_FALSE(rtf::ReadRtf(input, text)) << Show(input);
        EXPECT_EQ(text, "keep me") << Show(input);
    }
}

TEST(RtfRoundTrip, EveryByteValueSurvivesInCrLfText)
{
    QByteArray text("\r\n");
    for (int b = 0; b < 256; ++b) {
        if (b != '\r' && b != '\n')
            text.append(char(b));
        if (b % 16 == 15)
            text.append("\r\n");
    }
    text.append("\r\n\r\n");
    EXPECT_EQ(Show(RoundTrip(text)), Show(text));

    // Text that looks like RTF syntax, or could join the word before it.
    for (const QByteArray sample : {"{\\rtf1 \\par} \\'41 \\u8364? {\\*\\x}", "\\\\\\{{}}\\", "5 apples", " lead",
                                    "a\tb\t\t c\t1\t-x", "line\r\n 1\r\n-2\r\n\r\n", ""})
        EXPECT_EQ(Show(RoundTrip(sample)), Show(sample));
}

TEST(RtfRoundTrip, LoneLineFeedsAndCarriageReturnsComeBackAsCrLf)
{
    EXPECT_EQ(Show(RoundTrip("a\nb\rc")), Show("a\r\nb\r\nc"));
    // Each lone one is a break of its own; a CR LF pair is one break.
    EXPECT_EQ(Show(RoundTrip("a\r\r\nb")), Show("a\r\n\r\nb"));
    EXPECT_EQ(Show(RoundTrip("a\n\rb")), Show("a\r\n\r\nb"));
    EXPECT_EQ(Show(RoundTrip("end\r")), Show("end\r\n"));
}

TEST(RtfWriting, HeaderFontAndSize)
{
    const QByteArray rtf = rtf::WriteRtf("Hi", "Courier New", 10);
    EXPECT_TRUE(rtf.startsWith("{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0 Courier New;}}\\f0\\fs20 "))
        << Show(rtf);
    EXPECT_TRUE(rtf::WriteRtf("x", "Arial", 13).contains("\\fs26 "));
    EXPECT_TRUE(rtf::WriteRtf("x", "Arial", 0).contains("\\fs20 "));
    EXPECT_TRUE(rtf::WriteRtf("x", "Arial", 99999).contains("\\fs3276 "));

    const QByteArray odd = rtf::WriteRtf("body", "Odd;{Font}\\\xE9\n", 10);
    EXPECT_TRUE(odd.contains("{\\f0 Odd\\{Font\\}\\\\\\'e9;}}")) << Show(odd);
    EXPECT_EQ(Read(odd), "body");
}

TEST(RtfWriting, OutputIsSevenBitWithLineBreaksOnlyAfterPar)
{
    QByteArray text;
    for (int b = 0; b < 256; ++b)
        text.append(char(b));
    const QByteArray rtf = rtf::WriteRtf(text + "\r\nz", "Arial", 12);
    for (qsizetype i = 0; i < rtf.size(); ++i) {
        const auto c = static_cast<unsigned char>(rtf[i]);
        ASSERT_LT(c, 0x80) << "offset " << i;
        if (c == '\r') {
            ASSERT_TRUE(rtf.mid(i - 4, 6) == "\\par\r\n" || i == rtf.size() - 2) << "offset " << i;
        } else if (c != '\n') {
            ASSERT_GE(c, 0x20) << "offset " << i;
        }
    }
    for (const char *piece : {"\\'00\\'01", "\\'ff", "\\'7f", "\\tab "})
        EXPECT_TRUE(rtf.contains(piece)) << piece;
}

TEST(RtfReading, WordPadDocument)
{
    const QByteArray rtf =
        R"rtf({\rtf1\ansi\ansicpg1252\deff0\nouicompat\deflang1031{\fonttbl{\f0\fnil\fcharset0 Calibri;}{\f1\fswiss\fprq2\fcharset0 Arial{\*\falt Helvetica};}}
{\colortbl ;\red255\green0\blue0;\red0\green77\blue187;}
{\*\generator Riched20 10.0.19041}\viewkind4\uc1 
\pard\sa200\sl276\slmult1\cf1\lang1031\f0\fs20 Gr\'fc\'dfe aus K\'f6ln\par
Preis: 5 \u8364?, Pfeil \u8594?->, Smiley \u-10179?\u-8704?\par
{\b Fett} und {\i kursiv}\tab Spalte\line
neue Zeile\par
\pard\cf0\f1\fs20\ldblquote Zitat\rdblquote  \endash  Ende\par
}
)rtf";
    ExpectReads({{rtf, "Gr\xFC\xDF"
                       "e aus K\xF6ln\r\n"
                       "Preis: 5 \x80, Pfeil ?->, Smiley ??\r\n"
                       "Fett und kursiv\tSpalte\r\n"
                       "neue Zeile\r\n"
                       "\x93Zitat\x94 \x96 Ende\r\n"}});
}

TEST(RtfReading, SymbolsEscapesAndDelimiters)
{
    ExpectReads({
        {"{\\rtf1 a\\\\b\\{c\\}d\\~e\\-f\\_g}", "a\\b{c}d\xA0"
                                                "ef-g"},
        {"{\\rtf1 \\emdash\\endash\\lquote\\rquote\\ldblquote\\rdblquote\\bullet}", "\x97\x96\x91\x92\x93\x94\x95"},
        {"{\\rtf1 a\\'00b\\'FFc\\'414}", Bytes("a\0b\xFF"
                                               "cA4")},
        {"{\\rtf1 a\r\nb\nc\rd\r\n}", "abcd"},
        {"{\\rtf1 a\\\r\nb\\\nc\\line d}", "a\r\nb\r\nc\r\nd"}, // escaped line end: old \par
        {"{\\rtf1\\b x\\b0  y}", "x y"},                        // one space delimits, the next is text
        {"{\\rtf1\\fs24x\\li-360y\\ri-z\\par1b\\tab\\tab c}", "xy-z\r\nb\t\tc"},
        {"{\\rtf1\\foo\\barbaz-12 q\\zzz99999999999999999999 r}", "qr"},
        {"{\\rtf1\\trowd\\cellx100\\intbl a\\cell b\\cell\\row x\\sect y}", "a\tb\t\r\nx\r\ny"},
    });
}

TEST(RtfReading, UnicodeCharacters)
{
    ExpectReads({
        // With a byte in the code page the fallback goes: characters,
        // \'hh and control words count one each, source line ends none.
        {"{\\rtf1 a\\u8364?b\\u233 e\\u65A}", "a\x80"
                                              "b\xE9"
                                              "A"},
        {"{\\rtf1 \\u8364\\'80x\\u8364\\emdash y\\u8364\\bin2 xyz}", "\x80x\x80y\x80z"},
        {"{\\rtf1\\uc2 \\u8364 xyz\\u8364\r\na\r\nbc}", "\x80z\x80"
                                                        "c"},
        {"{\\rtf1\\uc0 \\u8364 x}", "\x80x"},
        {"{\\rtf1\\uc3 \\u8364{x}yz}", "\x80xyz"}, // a brace ends the fallback
        {"{\\rtf1 \\u129?\\u128?}", "\x81?"},      // undefined bytes stand for C1
        // Without one the fallback stays; negative means above 0x7FFF.
        {"{\\rtf1 \\u8594\\'3f->\\u-4?\\u-65280*\\u99999999999999999999#}", "?->?*#"},
        {"{\\rtf1\\uc2 \\u1046\\'c6\\'e0x}", "\xC6\xE0x"},
        {"{\\rtf1\\uc0 \\u8594 x\\u y}", "?xy"},
        // \ucN belongs to its group.
        {"{\\rtf1 {\\uc3 \\u8364 abcd}\\u8364 ab}", "\x80"
                                                    "d\x80"
                                                    "b"},
        {"{\\rtf1\\uc2 {{\\uc0 }\\u8364 abc}\\u8364 abc}", "\x80"
                                                           "c\x80"
                                                           "c"},
    });
}

TEST(RtfReading, DestinationsAreSkipped)
{
    ExpectReads({
        {"{\\rtf1{\\fonttbl{\\f0 Arial;}{\\f1{\\*\\panose 0}Times;}}A{\\info{\\title T}{\\author X}}B"
         "{\\*\\unknown{x}{\\y z}}C{\\pict\\wmetafile8 0a0b{\\*\\blipuid 1}}D{\\header H}{\\footerl F}"
         "{\\stylesheet{\\s1 Heading;}}E{\\listtable{\\list{\\listlevel{\\leveltext\\'02\\'00.;}}}}"
         "{\\listoverridetable{\\listoverride\\ls1}}F{\\object{\\*\\objdata 01}{\\result{\\pict 00}}}G"
         "{\\colortbl;\\red1;}{\\footnote note}H}",
         "ABCDEFGH"},
        {"{\\rtf1 a{\\*\\foo b{c}d}e}", "ae"},
        {"{\\rtf1{\\info \\} still {\\title \\{}}X}", "X"}, // escaped braces do not count
        {"{\\rtf1 a{\\b b\\pict 00}c}", "abc"},             // takes its group even after text
        {"{\\rtf1 \\u8364{\\*\\x y}z}", "\x80z"},
        // The outer group is the document: a stray destination keeps it.
        {"{\\rtf1\\pict abc\\*\\generator d}", "abcd"},
        // Rendered list numbers and field results are what a reader shows.
        {"{\\rtf1{\\pntext\\f0 1.\\tab}{\\*\\pn\\pnlvlbody{\\pntxta .}}Item\\par}", "1.\tItem\r\n"},
        {"{\\rtf1{\\field{\\*\\fldinst{HYPERLINK \"u\"}}{\\fldrslt{link}}} {\\field{\\fldinst PAGE}{\\fldrslt 7}}}",
         "link 7"},
    });
}

TEST(RtfReading, BinaryDataIsSteppedOver)
{
    ExpectReads({
        {"{\\rtf1 a\\bin4 }}{\\b}", "ab"},
        {Bytes("{\\rtf1 a\\bin3 \0\r\nb}"), "ab"},
        {"{\\rtf1 a{\\pict\\bin2 }}b}c}", "ac"}, // data inside a skipped group
        {"{\\rtf1 a\\bin b\\bin-5 c}", "abc"},
        {"{\\rtf1 a\\bin999 xyz", "a"},
        {"{\\rtf1 a\\bin99999999999999999999999 xyz}", "a"},
    });
}

TEST(RtfRobustness, DamagedStreamsGiveTheTextSoFar)
{
    ExpectReads({
        {"{\\rtf1 abc", "abc"},
        {"{\\rtf1 ab\\", "ab"},
        {"{\\rtf1 ab\\'4", "ab"},
        {"{\\rtf1 ab\\u8364", "ab\x80"},
        {"{\\rtf1 a{\\fonttbl{\\f0 Ari", "a"},
        {"{\\rtf1 a}b}}{c", "a"},
        {Bytes("{\\rtf1 a}\r\n\0"), "a"},
    });

    QByteArray open = "{\\rtf1 x";
    open.append(QByteArray(200'000, '{'));
    ExpectReads({{open + "y", "xy"}});
}

TEST(RtfRobustness, MillionNestedGroups)
{
    const QByteArray down(1'000'000, '{');
    const QByteArray up(1'000'000, '}');
    ExpectReads({{"{\\rtf1 " + down + "deep" + up + " tail}", "deep tail"},
                 {"{\\rtf1 a{\\*" + down + "hidden" + up + "}b}", "ab"}});
}

// Every level must get back its own \ucN when deeper ones close.
TEST(RtfRobustness, DeepNestingRestoresFallbackLengths)
{
    const int depth = 300'000;
    QByteArray rtf = "{\\rtf1 ";
    QByteArray expected;
    std::vector<int> uc{1};
    for (int i = 0; i < depth; ++i) {
        rtf.append('{');
        uc.push_back(i % 3 == 0 ? (i / 3) % 4 : uc.back());
        if (i % 3 == 0)
            rtf.append("\\uc" + QByteArray::number(uc.back()) + ' ');
    }
    for (int i = depth; i >= 0; --i) {
        if (i % 25'000 == 7 || i == 0) {
            rtf.append("\\u8364 wxyz");
            expected.append('\x80' + QByteArray("wxyz").mid(uc.back()));
        }
        uc.pop_back();
        rtf.append('}');
    }
    ExpectReads({{rtf, expected}});
}

// No unit of text is shorter in RTF than in the result, so runaway output
// or a stalled position would show as a breach of that bound.
TEST(RtfRobustness, RandomStreamsStayWithinBounds)
{
    static const char *const pieces[] = {"{", "}", "\\", "\\'", "\\u", "\\uc", "\\bin", "\\par", "\\*", "\\pict",
                                         "-", " ", "\r", "\n",  "0",   "7",    "a",     "f",     "?",   "\\\r"};
    std::mt19937 random(20240611);
    for (int round = 0; round < 3000; ++round) {
        QByteArray rtf = "{\\rtf1";
        for (int i = int(random() % 400); i > 0; --i)
            rtf.append(random() % 5 == 0 ? QByteArray(1, char(random()))
                                         : QByteArray(pieces[random() % std::size(pieces)]));
        QByteArray text;
        ASSERT_TRUE(rtf::ReadRtf(rtf, text)) << Show(rtf);
        ASSERT_LE(text.size(), rtf.size()) << Show(rtf);
    }
}

TEST(RtfRobustness, LargeDocumentReadsCompletely)
{
    const QByteArray chunk = "Hello {\\b world}\\b0 \\'e9\\u8364?{\\*\\x skip}{\\pict 0a0b}\\par\r\n";
    const QByteArray chunkText = "Hello world\xE9\x80\r\n";
    const int count = 600'000; // about 40 MB
    QByteArray rtf = "{\\rtf1\\ansi ";
    rtf.reserve(qsizetype(count) * chunk.size() + 32);
    for (int i = 0; i < count; ++i)
        rtf.append(chunk);
    const QByteArray text = Read(rtf + '}');
    ASSERT_EQ(text.size(), qsizetype(count) * chunkText.size());
    EXPECT_EQ(text.count(chunkText), count);
}
