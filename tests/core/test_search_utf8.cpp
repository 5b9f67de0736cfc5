#include "editor/core/Search.h"

#include "editor/core/Utf8Case.h"
#include "../support/SearchReference.h"

#include <QByteArray>
#include <QString>
#include <gtest/gtest.h>
#include <random>
#include <set>
#include <sstream>
#include <string>

namespace {

using searchreference::Describe;
using searchreference::NaiveReplaceAll;
using searchreference::ReplaceAll;
using searchreference::TReplaceAllResult;
using searchreference::TCase;
using searchreference::TNaiveUtf8;

constexpr TFindOptions kDown = FindOptionBit(frDown);
constexpr TFindOptions kCase = FindOptionBit(frMatchCase);
constexpr TFindOptions kWord = FindOptionBit(frWholeWord);
constexpr TFindOptions kUp = 0;
constexpr encoding::TEncoding kUtf8 = encoding::TEncoding::Utf8;

QByteArray U(const char *text)
{
    return QByteArray(text);
}

qint64 Find(const QByteArray &text, qint64 selStart, const QByteArray &pattern, TFindOptions options,
            encoding::TEncoding enc = kUtf8)
{
    const TSearchResult r = SearchBuffer(text.constData(), text.size(), selStart, 0, pattern, options, enc);
    EXPECT_EQ(r.length, r.Found() ? pattern.size() : 0);
    return r.position;
}

qint64 Down(const QByteArray &text, const QByteArray &pattern, TFindOptions extra = 0)
{
    return Find(text, 0, pattern, TFindOptions(kDown | extra));
}

QByteArray ReplacedAll(const QByteArray &text, qint64 selStart, const QByteArray &pattern,
                       const QByteArray &replacement, TFindOptions options)
{
    const TReplaceAllResult r =
        ReplaceAll(text.constData(), text.size(), selStart, 0, pattern, replacement, options, kUtf8);
    return text.left(r.from) + r.replacement + text.mid(r.to);
}

} // namespace

// --- case -------------------------------------------------------------------

TEST(SearchUtf8Case, LatinGreekAndCyrillicLettersFoldBothWays)
{
    const struct
    {
        const char *lower, *upper;
    } pairs[] = {
        {"\xC3\xA4", "\xC3\x84"},                 // ä Ä
        {"\xC3\xA9", "\xC3\x89"},                 // é É
        {"\xC3\xBF", "\xC5\xB8"},                 // ÿ Ÿ: other lead byte
        {"\xC5\x82", "\xC5\x81"},                 // ł Ł
        {"\xCF\x83", "\xCE\xA3"},                 // σ Σ: other lead byte
        {"\xCE\xAC", "\xCE\x86"},                 // ά Ά
        {"\xD1\x8F", "\xD0\xAF"},                 // я Я
        {"\xD1\x91", "\xD0\x81"},                 // ё Ё
        {"\xE1\xB8\x81", "\xE1\xB8\x80"},         // ḁ Ḁ, three bytes
        {"\xF0\x90\x90\xA8", "\xF0\x90\x90\x80"}, // Deseret, four bytes
    };
    for (const auto &pair : pairs) {
        const QByteArray lower = U(pair.lower), upper = U(pair.upper);
        EXPECT_EQ(Down("x" + upper + "y", lower + "y"), 1) << pair.lower;
        EXPECT_EQ(Down("x" + lower + "y", "X" + upper), 0) << pair.lower;
        EXPECT_EQ(Find("x" + lower + "y", 20, upper, kUp), 1) << pair.lower;
        EXPECT_EQ(Down("x" + upper, lower, kCase), -1) << pair.lower;
        EXPECT_EQ(Down("x" + upper, upper, kCase), 1) << pair.lower;
    }
    // Words of the three scripts, with the case of each letter mixed.
    const QByteArray text = U("Gr\xC3\x9C\xC3\x9F"
                              "E aus K\xC3\x96LN, \xCE\x9A\xCE\x8C\xCE\xA3\xCE\x9C\xCE\x9F\xCE\xA3 "
                              "\xD0\x9C\xD0\x98\xD0\xA0");
    EXPECT_EQ(Down(text, U("gr\xC3\xBC\xC3\x9F"
                           "e")),
              0);
    EXPECT_EQ(Down(text, U("k\xC3\xB6ln")), 12);
    EXPECT_EQ(Down(text, U("\xCE\xBA\xCF\x8C\xCF\x83\xCE\xBC\xCE\xBF\xCF\x82")), 19); // κόσμος, final sigma
    EXPECT_EQ(Down(text, U("\xD0\xBC\xD0\xB8\xD1\x80")), 32);                         // мир
}

TEST(SearchUtf8Case, SharpSStaysSharpS)
{
    EXPECT_EQ(Down("STRASSE", U("stra\xC3\x9F"
                                "e")),
              -1);
    EXPECT_EQ(Down(U("stra\xC3\x9F"
                     "e"),
                   "STRASSE"),
              -1);
    EXPECT_EQ(Down(U("STRA\xC3\x9F"
                     "E"),
                   U("stra\xC3\x9F"
                     "e")),
              0);
    // The capital sharp s is one byte longer, so only itself matches it.
    EXPECT_EQ(Down(U("STRA\xE1\xBA\x9E"
                     "E"),
                   U("stra\xC3\x9F"
                     "e")),
              -1);
    EXPECT_EQ(Down(U("STRA\xE1\xBA\x9E"
                     "E"),
                   U("stra\xE1\xBA\x9E"
                     "e")),
              0);
}

TEST(SearchUtf8Case, FoldingKeepsEveryLengthAndUnfoldsToTheWholeClass)
{
    for (char32_t c = 0; c < 0x20000; ++c) {
        if (c >= 0xD800 && c <= 0xDFFF)
            continue;
        const char32_t f = utf8case::Fold(c);
        const auto length = [](char32_t u) { return u < 0x80 ? 1 : u < 0x800 ? 2 : u < 0x10000 ? 3 : 4; };
        ASSERT_EQ(length(f), length(c)) << std::hex << uint(c);
        ASSERT_EQ(utf8case::Fold(f), f) << std::hex << uint(c);
    }
    const std::vector<char32_t> sigma = utf8case::Unfold(0x03C3);
    EXPECT_EQ(std::set<char32_t>(sigma.begin(), sigma.end()), (std::set<char32_t>{0x03A3, 0x03C2, 0x03C3}));
    const std::vector<char32_t> s = utf8case::Unfold('s');
    EXPECT_EQ(std::set<char32_t>(s.begin(), s.end()), (std::set<char32_t>{'S', 's'})); // not ſ: shorter
}

// --- characters stay whole ----------------------------------------------------

TEST(SearchUtf8Bytes, NoMatchBeginsOrEndsInsideACharacter)
{
    // "ä" is C3 A4; "ñ" is C3 B1; "€" is E2 82 AC.
    for (TFindOptions extra : {TFindOptions(0), kCase}) {
        EXPECT_EQ(Down(U("x\xC3\xA4y"), "\xA4", extra), -1);
        EXPECT_EQ(Down(U("x\xC3\xA4y"), "\xC3", extra), -1);
        EXPECT_EQ(Down(U("x\xE2\x82\xAC"), "\x82\xAC", extra), -1);
        EXPECT_EQ(Down(U("x\xE2\x82\xAC"), "\xE2\x82", extra), -1);
        EXPECT_EQ(Find(U("x\xE2\x82\xAC"), 4, "\x82\xAC", extra), -1);
        EXPECT_EQ(Down(U("x\xE2\x82\xAC"), U("\xE2\x82\xAC"), extra), 1);
    }
    // The same bytes read as Windows-1252 are characters of their own.
    EXPECT_EQ(Find(U("x\xC3\xA4y"), 0, "\xA4", kDown, encoding::TEncoding::Cp1252), 2);
    // A selection ending inside a character: the search goes on behind it,
    // upwards a match must end before it.
    EXPECT_EQ(Find(U("\xC3\xA4\xC3\xA4"), 1, U("\xC3\xA4"), kDown), 2);
    EXPECT_EQ(Find(U("\xC3\xA4\xC3\xA4"), 3, U("\xC3\xA4"), kUp), 0);
}

TEST(SearchUtf8Bytes, BackwardsFromTheEndAndFromBehindAnOccurrence)
{
    const QByteArray text = U("\xC3\xA4x\xC3\x84x\xE2\x82\xAC");
    EXPECT_EQ(Find(text, text.size(), U("\xC3\xA4"), kUp), 3);
    EXPECT_EQ(Find(text, 3, U("\xC3\xA4"), kUp), 0);
    EXPECT_EQ(Find(text, 2, U("\xC3\xA4"), kUp), 0);
    EXPECT_EQ(Find(text, 1, U("\xC3\xA4"), kUp), -1);
    EXPECT_EQ(Find(text, text.size(), U("x\xE2\x82\xAC"), kUp), 5);
    EXPECT_EQ(Find(text, text.size() - 1, U("x\xE2\x82\xAC"), kUp), -1);
}

// --- whole words ----------------------------------------------------------------

TEST(SearchUtf8WholeWord, LettersOfEveryScriptMakeWordsPunctuationEndsThem)
{
    EXPECT_EQ(Down(U("x K\xC3\xB6lner K\xC3\xB6ln"), U("K\xC3\xB6ln"), kWord), 10);
    EXPECT_EQ(Down(U("x \xC3\xA4Haus Haus\xC3\xA4 Haus"), "Haus", kWord), 16);
    EXPECT_EQ(Down(U("x Haus\xCC\x88 Haus"), "Haus", kWord), 9); // a combining mark belongs to its letter
    EXPECT_EQ(Down(U("x \xD0\xB4\xD0\xBE\xD0\xBC\xD0\xB0 \xD0\xB4\xD0\xBE\xD0\xBC"), U("\xD0\x94\xD0\x9E\xD0\x9C"),
                   kWord),
              11);
    EXPECT_EQ(Down(U("x Haus_1 Haus2 Haus"), "Haus", kWord), 15);
    // Unlike in Windows-1252, punctuation is no part of a word.
    EXPECT_EQ(Down(U("x Haus, y"), "Haus", kWord), 2);
    EXPECT_EQ(Down(U("x \xE2\x80\x9EHaus\xE2\x80\x9C"), "Haus", kWord), 5);
    EXPECT_EQ(Find(U("x Haus, y"), 0, "Haus", kWord | kDown, encoding::TEncoding::Cp1252), -1);
    // Unless the pattern has it.
    EXPECT_EQ(Down(U("x Haus,y Haus, y"), "Haus,", kWord), 9);
    // Upwards the word at the start of the text counts.
    EXPECT_EQ(Find(U("\xC3\x84rger x"), 9, U("\xC3\xA4rger"), kWord), 0);
    EXPECT_EQ(Find(U("\xC3\x84rgerlich x"), 13, U("\xC3\xA4rger"), kWord), -1);
}

// --- replace all --------------------------------------------------------------

TEST(SearchUtf8ReplaceAll, FoldedMatchesAreReplacedWholeBothWays)
{
    const QByteArray text = U("\xC3\x84rger \xC3\xBC"
                              "ber \xC3\xA4pfel \xE2\x82\xAC");
    EXPECT_EQ(ReplacedAll(text, 0, U("\xC3\xA4"), "ae", kDown), U("aerger \xC3\xBC"
                                                                  "ber aepfel \xE2\x82\xAC"));
    EXPECT_EQ(ReplacedAll(text, text.size(), U("\xC3\xA4"), U("\xC3\xA4\xC3\xA4"), kUp),
              U("\xC3\xA4\xC3\xA4rger \xC3\xBC"
                "ber \xC3\xA4\xC3\xA4pfel \xE2\x82\xAC"));
    EXPECT_EQ(ReplacedAll(text, 0, "\xA4", "x", kDown), text);
}

// --- against the stepwise search -------------------------------------------------

namespace {

// Characters that fold onto each other, that do not, that are longer or
// shorter than their other case, punctuation, blanks, a mark and an emoji.
const char *const kPieces[] = {"a",
                               " ",
                               "A",
                               "\xC3\xA4",
                               "\xC3\x84",
                               "\xCF\x83",
                               "\xCE\xA3",
                               "\xCF\x82",
                               "\xC3\x9F",
                               "\xE1\xBA\x9E",
                               "s",
                               "\xC5\xBF",
                               ",",
                               "{",
                               "\xE2\x82\xAC",
                               "\xF0\x9F\x98\x80",
                               "\xCC\x88",
                               "_",
                               "1",
                               "\xE2\x80\x9E"};

QByteArray RandomText(std::mt19937 &rng, int pieces, int alphabet)
{
    QByteArray text;
    for (int i = 0; i < pieces; ++i)
        text += rng() % 4 == 0 ? " " : kPieces[rng() % unsigned(alphabet)];
    return text;
}

TCase RandomCase(std::mt19937 &rng)
{
    TCase c;
    const int alphabet = 4 + int(rng() % (std::size(kPieces) - 3));
    c.text = RandomText(rng, int(rng() % 8 == 0 ? 100 : 1 + rng() % 16), alphabet);
    if (rng() % 2) {
        // A piece of the text: the same characters or their other case.
        const QString s = QString::fromUtf8(c.text);
        const qsizetype at = qsizetype(rng() % s.size());
        QString piece = s.mid(at, 1 + qsizetype(rng() % 4));
        if (piece.size() && piece.back().isHighSurrogate())
            piece.chop(1);
        if (piece.size() && piece.front().isLowSurrogate())
            piece.remove(0, 1);
        if (rng() % 3 == 0)
            piece = piece.toUpper();
        c.pattern = piece.toUtf8();
    }
    if (c.pattern.isEmpty())
        c.pattern = RandomText(rng, 1 + int(rng() % 3), alphabet);
    c.replacement = rng() % 4 == 0 ? c.pattern + c.pattern : RandomText(rng, int(rng() % 3), alphabet);
    const qint64 n = c.text.size();
    c.selStart = qint64(rng() % (n + 3)) - 1;
    c.selLength = rng() % 3 ? 0 : qint64(rng() % (n + 2));
    c.options = TFindOptions(rng() & (kDown | kCase | kWord));
    return c;
}
} // namespace

TEST(SearchUtf8Differential, SearchBufferAgreesWithTheStepwiseSearch)
{
    std::mt19937 rng(1701);
    int found = 0, foundWholeWord = 0, foundUpFolded = 0;
    for (int i = 0; i < 15000; ++i) {
        const TCase c = RandomCase(rng);
        const qint64 expected = TNaiveUtf8(c.text, c.pattern, c.options).Search(c.selStart, c.selLength);
        const TSearchResult got =
            SearchBuffer(c.text.constData(), c.text.size(), c.selStart, c.selLength, c.pattern, c.options, kUtf8);
        ASSERT_EQ(got.position, expected) << Describe(c);
        found += expected >= 0;
        foundWholeWord += expected >= 0 && HasFindOption(c.options, frWholeWord);
        foundUpFolded += expected >= 0 && !HasFindOption(c.options, frDown) && !HasFindOption(c.options, frMatchCase);
    }
    EXPECT_GT(found, 2000);
    EXPECT_LT(found, 12000);
    EXPECT_GT(foundWholeWord, 300);
    EXPECT_GT(foundUpFolded, 500);
}

TEST(SearchUtf8Differential, ReplaceAllAgreesWithOneReplacementAtATime)
{
    std::mt19937 rng(4711);
    int replaced = 0, replacedWholeWordUp = 0;
    for (int i = 0; i < 20000; ++i) {
        const TCase c = RandomCase(rng);
        QByteArray expectedText = c.text;
        const TReplaceAllResult expected =
            NaiveReplaceAll<TNaiveUtf8>(expectedText, c.selStart, c.selLength, c.pattern, c.replacement, c.options);
        const TReplaceAllResult got = ReplaceAll(c.text.constData(), c.text.size(), c.selStart, c.selLength, c.pattern,
                                                 c.replacement, c.options, kUtf8);
        ASSERT_EQ(got.count, expected.count) << Describe(c);
        ASSERT_EQ(c.text.left(got.from) + got.replacement + c.text.mid(got.to), expectedText) << Describe(c);
        ASSERT_EQ(got.selStart, expected.selStart) << Describe(c);
        replaced += got.count > 1;
        replacedWholeWordUp +=
            got.count > 1 && HasFindOption(c.options, frWholeWord) && !HasFindOption(c.options, frDown);
    }
    EXPECT_GT(replaced, 800);
    EXPECT_GT(replacedWholeWordUp, 10);
}
