#include "platform/core/EncodedText.h"
#include "platform/core/Encoding.h"

#include <QByteArray>
#include <QStringDecoder>
#include <gtest/gtest.h>
#include <random>

using encoding::TEncoding;

namespace {

constexpr TEncoding k1252 = TEncoding::Cp1252;
constexpr TEncoding kUtf8 = TEncoding::Utf8;

TEncoding Whole(const QByteArray &bytes, TEncoding asciiDefault = k1252)
{
    return encoding::Detect(bytes.constData(), std::size_t(bytes.size()), asciiDefault);
}

// The same bytes fed in two pieces split at `at`.
TEncoding Split(const QByteArray &bytes, qsizetype at, TEncoding asciiDefault = k1252)
{
    encoding::TEncodingDetector detector;
    detector.Feed(bytes.constData(), std::size_t(at));
    detector.Feed(bytes.constData() + at, std::size_t(bytes.size() - at));
    return detector.Result(asciiDefault);
}

// Qt's strict decoder, NUL counted as the detector counts it.
TEncoding Reference(const QByteArray &bytes, TEncoding asciiDefault)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString decoded = decoder.decode(bytes);
    if (decoder.hasError() || bytes.contains('\0'))
        return k1252;
    for (char c : bytes)
        if (uchar(c) >= 0x80)
            return kUtf8;
    return asciiDefault;
}

} // namespace

// --- which encoding a file opens in ----------------------------------------

TEST(EncodingDetection, ValidUtf8WithAMultiByteSequenceIsUtf8)
{
    EXPECT_EQ(Whole("Gr\xC3\xBC\xC3\x9F"
                    "e aus K\xC3\xB6ln \xE2\x80\x93 15 \xE2\x82\xAC"),
              kUtf8);
    EXPECT_EQ(Whole("\xF0\x9F\x98\x80"), kUtf8); // an emoji, 4 bytes
    EXPECT_EQ(Whole("\xF4\x8F\xBF\xBF"), kUtf8); // U+10FFFF, the last one
    EXPECT_EQ(Whole("e\xCC\x81"), kUtf8);        // a combining mark
    EXPECT_EQ(Whole("\xEF\xBB\xBF"
                    "plain"),
              kUtf8); // a byte-order mark and ASCII
    EXPECT_EQ(Whole("\xEF\xBB\xBF"), kUtf8);
}

TEST(EncodingDetection, AsciiAndEmptyTakeTheDefault)
{
    EXPECT_EQ(Whole("plain text\r\n", k1252), k1252);
    EXPECT_EQ(Whole("plain text\r\n", kUtf8), kUtf8);
    EXPECT_EQ(Whole("", kUtf8), kUtf8);
    EXPECT_EQ(Whole(QByteArray(1000, 'x'), kUtf8), kUtf8);
}

TEST(EncodingDetection, AnythingNotStrictlyUtf8IsWindows1252)
{
    for (const QByteArray &bad : {
             QByteArray("Gr\xFC\xDF"
                        "e"),                // Windows-1252 itself
             QByteArray("\xC0\xAF"),         // overlong "/"
             QByteArray("\xE0\x80\xAF"),     // overlong, 3 bytes
             QByteArray("\xF0\x8F\xBF\xBF"), // overlong, 4 bytes
             QByteArray("\xC1\xBF"),
             QByteArray("\xED\xA0\x80"),     // a surrogate, U+D800
             QByteArray("\xED\xBF\xBF"),     // U+DFFF
             QByteArray("\xF4\x90\x80\x80"), // U+110000
             QByteArray("\xF5\x80\x80\x80"),
             QByteArray("\xFF"),
             QByteArray("\x80"), // a continuation alone
             QByteArray("\xC3\xA4\xA4"),
             QByteArray("\xC3"), // cut off at the end
             QByteArray("\xE2\x82"),
             QByteArray("\xF0\x9F\x98"),
             QByteArray("\xE2\x82"
                        "x"),
             QByteArray("\xC3\xA4"
                        "\0"
                        "x",
                        4),         // NUL in valid UTF-8
             QByteArray("a\0b", 3), // NUL in ASCII
             QByteArray("\xFF\xFE"
                        "a\0b\0",
                        6), // UTF-16 byte-order marks
             QByteArray("\xFE\xFF\0a\0b", 6),
             QByteArray("\xEF\xBB\xBF"
                        "Gr\xFC\xDF"
                        "e"), // a BOM does not excuse bad bytes
         }) {
        EXPECT_EQ(Whole(bad, kUtf8), k1252) << bad.toHex().constData();
    }
    // Surrounding the boundaries of what is allowed.
    EXPECT_EQ(Whole("\xED\x9F\xBF"), kUtf8);     // U+D7FF
    EXPECT_EQ(Whole("\xEE\x80\x80"), kUtf8);     // U+E000
    EXPECT_EQ(Whole("\xE0\xA0\x80"), kUtf8);     // U+0800
    EXPECT_EQ(Whole("\xF0\x90\x80\x80"), kUtf8); // U+10000
    EXPECT_EQ(Whole("\xC2\x80"), kUtf8);
}

TEST(EncodingDetection, OneBadByteDeepInALargeFileDecides)
{
    QByteArray text;
    while (text.size() < (4 << 20))
        text += "Gr\xC3\xBC\xC3\x9F"
                "e aus K\xC3\xB6ln, 123456789 abcdefghijklmnopqrstuvwxyz\n";
    EXPECT_EQ(Whole(text), kUtf8);
    text[text.size() - 7] = '\xE4';
    EXPECT_EQ(Whole(text), k1252);
    text[text.size() - 7] = '\0';
    EXPECT_EQ(Whole(text), k1252);
}

TEST(EncodingDetection, SequencesSplitBetweenPiecesAtEveryByte)
{
    const QByteArray text = "ab\xC3\xA4"
                            "cd\xE2\x82\xAC"
                            "e\xF0\x9F\x98\x80"
                            "f\xEF\xBB\xBF";
    const QByteArray bad = "ab\xC3\xA4"
                           "cd\xE2\x82\xAC"
                           "e\xF0\x9F\x98"
                           "f";
    const QByteArray overlong = "ab\xE0\x80\xAF"
                                "cd";
    for (qsizetype at = 0; at <= text.size(); ++at)
        EXPECT_EQ(Split(text, at), kUtf8) << "split at " << at;
    for (qsizetype at = 0; at <= bad.size(); ++at)
        EXPECT_EQ(Split(bad, at), k1252) << "split at " << at;
    for (qsizetype at = 0; at <= overlong.size(); ++at)
        EXPECT_EQ(Split(overlong, at), k1252) << "split at " << at;

    // A four-byte sequence fed one byte at a time, and one left open.
    encoding::TEncodingDetector detector;
    for (char c : QByteArray("x\xF0\x9F\x98\x80"))
        detector.Feed(&c, 1);
    EXPECT_EQ(detector.Result(k1252), kUtf8);
    detector.Feed("\xE2\x82", 2);
    EXPECT_EQ(detector.Result(k1252), k1252);
    detector.Feed("\xAC", 1);
    EXPECT_EQ(detector.Result(k1252), kUtf8);
}

TEST(EncodingDetection, AgreesWithQtsStrictDecoder)
{
    // Short texts from bytes that make sequences often: leads, continuations,
    // the bytes around the forbidden ranges, ASCII and NUL; long enough runs
    // of ASCII for the eight-byte steps to be taken.
    const unsigned char pieces[] = {'a',  'b',  0,    0x7F, 0x80, 0x8F, 0x90, 0x9F, 0xA0, 0xBF, 0xC0, 0xC1, 0xC2,
                                    0xDF, 0xE0, 0xE1, 0xEC, 0xED, 0xEE, 0xEF, 0xF0, 0xF3, 0xF4, 0xF5, 0xFF};
    std::mt19937 rng(8);
    int utf8 = 0, cp1252 = 0;
    for (int i = 0; i < 40000; ++i) {
        QByteArray bytes;
        const int length = int(rng() % 12);
        for (int j = 0; j < length; ++j) {
            if (rng() % 4 == 0)
                bytes += QByteArray(int(rng() % 20), 'x');
            bytes += char(pieces[rng() % std::size(pieces)]);
        }
        const TEncoding asciiDefault = rng() % 2 ? kUtf8 : k1252;
        const TEncoding expected = Reference(bytes, asciiDefault);
        ASSERT_EQ(Whole(bytes, asciiDefault), expected) << bytes.toHex().constData();
        const qsizetype at = bytes.isEmpty() ? 0 : qsizetype(rng() % bytes.size());
        ASSERT_EQ(Split(bytes, at, asciiDefault), expected) << bytes.toHex().constData() << " split at " << at;
        QByteArray withoutNul = bytes;
        withoutNul.replace('\0', 'n');
        ASSERT_EQ(encoding::IsUtf8(bytes.constData(), std::size_t(bytes.size())), Reference(withoutNul, kUtf8) == kUtf8)
            << bytes.toHex().constData();
        utf8 += expected == kUtf8;
        cp1252 += expected == k1252;
    }
    EXPECT_GT(utf8, 1000);
    EXPECT_GT(cp1252, 5000);
}

TEST(EncodingDetection, ValidityForShowingAsUtf8AllowsNulAndAscii)
{
    EXPECT_TRUE(encoding::IsUtf8("", 0));
    EXPECT_TRUE(encoding::IsUtf8("a\0\xC3\xA4", 4));
    EXPECT_FALSE(encoding::IsUtf8("\xE4", 1));
    EXPECT_FALSE(encoding::IsUtf8("\xC3", 1));
}

TEST(EncodingNames, SettingsValuesReadBackAndUnknownOnesAreRefused)
{
    EXPECT_EQ(encoding::Name(k1252), QStringLiteral("1252"));
    EXPECT_EQ(encoding::Name(kUtf8), QStringLiteral("UTF-8"));
    TEncoding e = k1252;
    EXPECT_TRUE(encoding::ParseName(QStringLiteral(" utf-8 "), e));
    EXPECT_EQ(e, kUtf8);
    EXPECT_TRUE(encoding::ParseName(QStringLiteral("1252"), e));
    EXPECT_EQ(e, k1252);
    e = kUtf8;
    for (const char *bad : {"", "UTF8 x", "latin1", "12520"})
        EXPECT_FALSE(encoding::ParseName(QString::fromLatin1(bad), e)) << bad;
    EXPECT_EQ(e, kUtf8);
}

// --- conversions -------------------------------------------------------------

TEST(EncodedText, EveryWindows1252ByteSurvivesTheTripThroughUtf8)
{
    QByteArray all(256, '\0');
    for (int b = 0; b < 256; ++b)
        all[b] = char(b);
    const QByteArray utf8 = encodedtext::Cp1252ToUtf8(all.constData(), std::size_t(all.size()));
    EXPECT_TRUE(encoding::IsUtf8(utf8.constData(), std::size_t(utf8.size())));
    EXPECT_EQ(encodedtext::ToQString(utf8, kUtf8), encodedtext::ToQString(all, k1252));
    EXPECT_TRUE(utf8.contains("\xE2\x80\x9E")); // 0x84 „
    EXPECT_TRUE(utf8.contains("\xE2\x82\xAC")); // 0x80 €
    QByteArray back;
    ASSERT_TRUE(encodedtext::Utf8ToCp1252(utf8.constData(), std::size_t(utf8.size()), back));
    EXPECT_EQ(back, all);
}

TEST(EncodedText, ConvertingToWindows1252NamesTheFirstCharacterItCannotHold)
{
    const QByteArray text = "Gr\xC3\xBC\xC3\x9F"
                            "e\r\nzwei\nK\xC3\xB6ln \xE2\x80\x9E"
                            "a\xE2\x80\x9C\r"
                            "vier \xC5\x82\xC3\xB3"
                            "d\xC5\xBA \xE2\x86\x92";
    QByteArray out = "untouched";
    encodedtext::TUnholdable missing;
    EXPECT_FALSE(encodedtext::Utf8ToCp1252(text.constData(), std::size_t(text.size()), out, &missing));
    EXPECT_EQ(out, QByteArray("untouched"));
    EXPECT_EQ(missing.character, char32_t(0x0142)); // ł; ó and „ “ have bytes
    EXPECT_EQ(missing.line, 4);                     // CR LF, LF and CR each end a line
    EXPECT_EQ(missing.position, text.indexOf("\xC5\x82"));

    EXPECT_EQ(encodedtext::Describe(0x0142), QStringLiteral("\u201E\u0142\u201C (U+0142)"));
    EXPECT_EQ(encodedtext::Describe(0x0301), QStringLiteral("U+0301"));
    EXPECT_EQ(encodedtext::Describe(0x1F600), QStringLiteral("\u201E\U0001F600\u201C (U+1F600)"));

    // Bytes that are no UTF-8 are refused too, never guessed.
    EXPECT_FALSE(encodedtext::Utf8ToCp1252("a\n\xE4", 3, out, &missing));
    EXPECT_EQ(missing.character, char32_t(0xFFFD));
    EXPECT_EQ(missing.line, 2);
}

TEST(EncodedText, AByteOrderMarkIsDroppedWhenLeavingUtf8)
{
    QByteArray out;
    ASSERT_TRUE(encodedtext::Utf8ToCp1252("\xEF\xBB\xBF"
                                          "K\xC3\xB6ln",
                                          8, out));
    EXPECT_EQ(out, QByteArray("K\xF6ln"));
    // Only at the start; elsewhere it is a character Windows-1252 lacks.
    EXPECT_FALSE(encodedtext::Utf8ToCp1252("x\xEF\xBB\xBF", 4, out));
}

TEST(EncodedText, TextToBytesInEitherEncoding)
{
    const QString text = QStringLiteral("\u201EZitat\u201C 15 \u20AC\n\u0142 \U0001F600");
    EXPECT_EQ(encodedtext::FromQString(text, kUtf8), text.toUtf8());
    EXPECT_EQ(encodedtext::FromQString(text, k1252), QByteArray("\x84Zitat\x93 15 \x80\n? ?"));
    EXPECT_EQ(encodedtext::ToQString(text.toUtf8(), kUtf8), text);

    QByteArray out;
    encodedtext::TUnholdable missing;
    EXPECT_TRUE(encodedtext::TryFromQString(text, kUtf8, out, &missing));
    EXPECT_EQ(out, text.toUtf8());
    EXPECT_FALSE(encodedtext::TryFromQString(text, k1252, out, &missing));
    EXPECT_EQ(missing.character, char32_t(0x0142));
    EXPECT_EQ(missing.line, 2);
    EXPECT_EQ(missing.position, 13);
    EXPECT_FALSE(encodedtext::TryFromQString(QStringLiteral("\U0001F600"), k1252, out, &missing));
    EXPECT_EQ(missing.character, char32_t(0x1F600));
    // A surrogate without its partner has no UTF-8.
    EXPECT_FALSE(encodedtext::TryFromQString(QString(QChar(0xD800)), kUtf8, out, &missing));

    EXPECT_EQ(encodedtext::Cp1252Character(0x84, kUtf8), QByteArray("\xE2\x80\x9E"));
    EXPECT_EQ(encodedtext::Cp1252Character(0x94, kUtf8), QByteArray("\xE2\x80\x9D"));
    EXPECT_EQ(encodedtext::Cp1252Character(0x84, k1252), QByteArray("\x84"));
}
