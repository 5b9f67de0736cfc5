#include "editor/core/Search.h"

#include "platform/core/Cp1252.h"
#include "../support/SearchReference.h"

#include <QByteArray>
#include <algorithm>
#include <gtest/gtest.h>
#include <random>
#include <sstream>
#include <string>

namespace {

using searchreference::Describe;
using searchreference::NaiveReplaceAll;
using searchreference::ReplaceAll;
using searchreference::TReplaceAllResult;
using searchreference::TCase;
using searchreference::TNaive;

constexpr TFindOptions kDown = FindOptionBit(frDown);
constexpr TFindOptions kCase = FindOptionBit(frMatchCase);
constexpr TFindOptions kWord = FindOptionBit(frWholeWord);
constexpr TFindOptions kUp = 0;

// -1 for "not found"; also checks that the length goes with the position.
qint64 Find(const QByteArray &text, qint64 selStart, qint64 selLength, const QByteArray &pattern, TFindOptions options)
{
    const TSearchResult r = SearchBuffer(text.constData(), text.size(), selStart, selLength, pattern, options);
    EXPECT_EQ(r.length, r.Found() ? pattern.size() : 0);
    return r.position;
}

QByteArray Applied(const QByteArray &text, const TReplaceAllResult &r)
{
    return text.left(r.from) + r.replacement + text.mid(r.to);
}

TReplaceAllResult Replace(const QByteArray &text, qint64 selStart, qint64 selLength, const QByteArray &pattern,
                          const QByteArray &replacement, TFindOptions options)
{
    return ReplaceAll(text.constData(), text.size(), selStart, selLength, pattern, replacement, options);
}

} // namespace

// --- where the search starts and ends --------------------------------------

TEST(SearchRange, DownwardsAMatchMayEndAtTheVeryEnd)
{
    EXPECT_EQ(Find("abc", 0, 0, "c", kDown), 2);
    EXPECT_EQ(Find("a", 0, 0, "a", kDown), 0);
    EXPECT_EQ(Find("abc", 0, 0, "abc", kDown), 0);
}

TEST(SearchRange, UpwardsFromTheEndReachesTheFirstByte)
{
    EXPECT_EQ(Find("abc", 3, 0, "a", kUp), 0);
    EXPECT_EQ(Find("abc", 3, 0, "abc", kUp), 0);
}

TEST(SearchRange, DownwardsTheSelectedOccurrenceIsPassedOver)
{
    EXPECT_EQ(Find("ab ab ab", 3, 2, "ab", kDown), 6);
    // Starting inside the selected occurrence is the same as behind it.
    EXPECT_EQ(Find("abab", 0, 1, "ab", kDown), 2);
    EXPECT_EQ(Find("abab", 1, 0, "ab", kDown), 2);
}

TEST(SearchRange, UpwardsTheOccurrenceRightBeforeTheCaretIsFound)
{
    EXPECT_EQ(Find("xab ab", 3, 0, "ab", kUp), 1);
    // A match must end at or before the selection start; the selection's
    // length does not matter.
    EXPECT_EQ(Find("ab ab", 3, 2, "ab", kUp), 0);
    EXPECT_EQ(Find("ab ab", 3, 0, "ab", kUp), 0);
    EXPECT_EQ(Find("aaaa", 2, 2, "aa", kUp), 0);
    EXPECT_EQ(Find("aaaa", 3, 0, "aa", kUp), 1);
}

TEST(SearchRange, NeverWrapsAround)
{
    EXPECT_EQ(Find("ab ab", 3, 2, "ab", kDown), -1);
    EXPECT_EQ(Find("ab ab", 4, 0, "ab", kDown), -1);
    EXPECT_EQ(Find("ab ab", 1, 0, "ab", kUp), -1);
    EXPECT_EQ(Find("ab ab", 0, 5, "ab", kUp), -1);
}

TEST(SearchRange, OverlappingOccurrencesAreFoundInOrder)
{
    EXPECT_EQ(Find("aaaa", 1, 0, "aaa", kDown), 1);
    EXPECT_EQ(Find("aaaa", 2, 0, "aaa", kDown), -1);
    EXPECT_EQ(Find("abababx", 0, 1, "ababx", kDown), 2);
    EXPECT_EQ(Find("xababab", 7, 0, "xabab", kUp), 0);
}

TEST(SearchRange, ASelectionOutsideTheTextIsPulledInside)
{
    EXPECT_EQ(Find("ab", -5, 0, "a", kDown), 0);
    EXPECT_EQ(Find("ab", -5, 6, "b", kDown), -1);
    EXPECT_EQ(Find("ab", 99, 0, "b", kUp), 1);
    EXPECT_EQ(Find("ab", 99, 3, "a", kDown), -1);
}

TEST(SearchRange, EmptyTextOrPatternFindsNothing)
{
    EXPECT_EQ(Find("", 0, 0, "a", kDown), -1);
    EXPECT_EQ(Find("abc", 0, 0, "", kDown), -1);
    EXPECT_EQ(Find("abc", 3, 0, "", kUp), -1);
    EXPECT_EQ(Find("", 0, 0, "", kUp), -1);
    EXPECT_FALSE(SearchBuffer(nullptr, 0, 0, 0, "a", kDown).Found());
}

TEST(SearchRange, PatternLongerThanTheTextFindsNothing)
{
    for (TFindOptions o : {kDown, kUp, TFindOptions(kDown | kWord), TFindOptions(kUp | kWord)}) {
        EXPECT_EQ(Find("abc", 0, 0, "abcd", o), -1) << o;
        EXPECT_EQ(Find("abc", 3, 0, "abcd", o), -1) << o;
    }
}

TEST(SearchRange, PatternOfAHundredThousandBytes)
{
    QByteArray pattern(100000, 'a');
    pattern[77777] = 'Q';
    QByteArray text = QByteArray(150000, 'a') + pattern + QByteArray(50000, 'a');
    EXPECT_EQ(Find(text, 0, 0, pattern, kDown), 150000);
    EXPECT_EQ(Find(text, 150001, 0, pattern, kDown), -1);
    EXPECT_EQ(Find(text, text.size(), 0, pattern, kUp), 150000);
    EXPECT_EQ(Find(text, 249999, 0, pattern, kUp), -1);
    EXPECT_EQ(Find(text.toLower(), 0, 0, pattern, kDown), 150000);
    EXPECT_EQ(Find(text.toLower(), 0, 0, pattern, kDown | kCase), -1);
    // A near miss everywhere: every position matches all but one byte.
    EXPECT_EQ(Find(QByteArray(300000, 'a'), 0, 0, pattern, kDown), -1);
    EXPECT_EQ(Find(QByteArray(300000, 'a'), 300000, 0, pattern, kUp), -1);
    EXPECT_EQ(Find(pattern, 0, 0, pattern, kDown), 0);
    EXPECT_EQ(Find(pattern.left(99999), 0, 0, pattern, kDown), -1);
}

// --- upper and lower case ---------------------------------------------------

TEST(SearchCase, GermanWordsMatchInAnyCase)
{
    // Windows-1252: \xDF is sharp s, which has no capital and stays.
    const QByteArray text = "x STRA\xDF"
                            "E Stra\xDF"
                            "e";
    EXPECT_EQ(Find(text, 0, 0,
                   "stra\xDF"
                   "e",
                   kDown),
              2);
    EXPECT_EQ(Find(text, 3, 0,
                   "stra\xDF"
                   "e",
                   kDown),
              9);
    EXPECT_EQ(Find(text, text.size(), 0,
                   "stra\xDF"
                   "e",
                   kUp),
              9);
    EXPECT_EQ(Find(text, 0, 0,
                   "stra\xDF"
                   "e",
                   kDown | kCase),
              -1);
    EXPECT_EQ(Find(text, 0, 0,
                   "Stra\xDF"
                   "e",
                   kDown | kCase),
              9);
}

TEST(SearchCase, AccentedLettersFoldBothWays)
{
    // \xE4 = a umlaut, \xC4 = A umlaut.
    EXPECT_EQ(Find("x\xC4", 0, 0, "\xE4", kDown), 1);
    EXPECT_EQ(Find("x\xE4", 0, 0, "\xC4", kDown), 1);
    EXPECT_EQ(Find("\xC4x", 2, 0, "\xE4", kUp), 0);
    EXPECT_EQ(Find("x\xC4", 0, 0, "\xE4", kDown | kCase), -1);
    // Multiplication and division sign are not a case pair.
    EXPECT_EQ(Find("x\xD7", 0, 0, "\xF7", kDown), -1);
}

TEST(SearchCase, YDiaeresisFoldsToItsCapitalDownInTheControlRow)
{
    EXPECT_EQ(Find("ab\x9F", 0, 0, "\xFF", kDown), 2);
    EXPECT_EQ(Find("ab\xFF", 0, 0, "\x9F", kDown), 2);
    EXPECT_EQ(Find("\xFF\x9F", 2, 0, "\x9F\xFF", kUp), 0);
    EXPECT_EQ(Find("ab\xFF", 0, 0, "\x9F", kDown | kCase), -1);
    // Upper case folds one way only: \xDF is not the capital of anything.
    EXPECT_EQ(Find("\xFF", 0, 0, "\xDF", kDown), -1);
}

TEST(SearchCase, NulIsAnOrdinaryByte)
{
    const QByteArray text("a\0b\0c", 5);
    EXPECT_EQ(Find(text, 0, 0, QByteArray("\0c", 2), kDown), 3);
    EXPECT_EQ(Find(text, 0, 0, QByteArray("B\0C", 3), kDown), 2);
    EXPECT_EQ(Find(text, 5, 0, QByteArray("\0", 1), kUp), 3);
    EXPECT_EQ(Find(text, 0, 0, QByteArray("\0\0", 2), kDown), -1);
}

// --- whole words ------------------------------------------------------------

TEST(SearchWholeWord, NotInsideALongerWord)
{
    EXPECT_EQ(Find("x Hausboot Haus", 0, 0, "Haus", kDown | kWord), 11);
    EXPECT_EQ(Find("x Hausboot Haus", 15, 0, "Haus", kUp | kWord), 11);
    EXPECT_EQ(Find("x Hausboot Haus", 11, 0, "Haus", kUp | kWord), -1);
    EXPECT_EQ(Find("x bootHaus", 0, 0, "Haus", kDown | kWord), -1);
    EXPECT_EQ(Find("x bootHaus", 10, 0, "Haus", kUp | kWord), -1);
}

TEST(SearchWholeWord, PunctuationBelongsToTheWord)
{
    EXPECT_EQ(Find("x Haus, y", 0, 0, "Haus", kDown | kWord), -1);
    EXPECT_EQ(Find("x Haus. y", 0, 0, "Haus", kDown | kWord), -1);
    EXPECT_EQ(Find("x (Haus y", 0, 0, "Haus", kDown | kWord), -1);
    EXPECT_EQ(Find("x Haus, y", 0, 0, "Haus,", kDown | kWord), 2);
}

TEST(SearchWholeWord, BracesBackslashAndControlsDelimit)
{
    EXPECT_EQ(Find("{Haus}", 0, 0, "Haus", kDown | kWord), 1);
    EXPECT_EQ(Find("x\\Haus\\", 0, 0, "Haus", kDown | kWord), 2);
    EXPECT_EQ(Find(QByteArray("x\0Haus\0", 7), 0, 0, "Haus", kDown | kWord), 2);
    EXPECT_EQ(Find("x\tHaus\r\n", 0, 0, "Haus", kDown | kWord), 2);
    EXPECT_EQ(Find("x\x1FHaus\x7F", 0, 0, "Haus", kDown | kWord), -1);
}

TEST(SearchWholeWord, BytesOfThePatternStopBeingDelimiters)
{
    // "{" in the pattern makes "{" a word character for that search.
    EXPECT_EQ(Find("x a{Haus y {Haus z", 0, 0, "{Haus", kDown | kWord), 11);
    EXPECT_EQ(Find("x a{Haus y", 0, 0, "Haus", kDown | kWord), 4);
    // Likewise a blank: the words around it grow into the pattern's word.
    EXPECT_EQ(Find("x\tHaus boot\ty", 0, 0, "Haus boot", kDown | kWord), 2);
    EXPECT_EQ(Find("x Haus boot\ty", 0, 0, "Haus boot", kDown | kWord), -1);
    EXPECT_EQ(Find("x\tHaus boot y", 0, 0, "Haus boot", kDown | kWord), -1);
    // As typed, not as folded: NUL in the pattern makes NUL part of words.
    EXPECT_EQ(Find(QByteArray("x\0Ha\0 Ha\0", 9), 0, 0, QByteArray("ha\0", 3), kDown | kWord), 6);
}

TEST(SearchWholeWord, DownwardsTheWordAtTheStartIsPassedOver)
{
    EXPECT_EQ(Find("Haus Haus", 0, 0, "Haus", kDown | kWord), 5);
    EXPECT_EQ(Find("Haus", 0, 0, "Haus", kDown | kWord), -1);
    EXPECT_EQ(Find("x Haus", 2, 0, "Haus", kDown | kWord), -1);
    // Right in front of the word (on its delimiter) it is found.
    EXPECT_EQ(Find("x Haus", 1, 0, "Haus", kDown | kWord), 2);
}

TEST(SearchWholeWord, UpwardsTheWordAtTheStartOfTheTextCounts)
{
    EXPECT_EQ(Find("Haus Haus", 4, 0, "Haus", kUp | kWord), 0);
    EXPECT_EQ(Find("Haus Haus", 9, 0, "Haus", kUp | kWord), 5);
    EXPECT_EQ(Find("Hausboot", 8, 0, "Haus", kUp | kWord), -1);
}

TEST(SearchWholeWord, AMatchMayEndAtTheEndOfTheText)
{
    EXPECT_EQ(Find("x Haus", 0, 0, "haus", kDown | kWord), 2);
    EXPECT_EQ(Find("x Haus", 0, 0, "haus", kDown | kWord | kCase), -1);
}

// --- replace all ------------------------------------------------------------

TEST(ReplaceAll, GrowingReplacementDownwardsEnds)
{
    const QByteArray text = "a a";
    const TReplaceAllResult r = Replace(text, 0, 0, "a", "aa", kDown);
    EXPECT_EQ(Applied(text, r), "aa aa");
    EXPECT_EQ(r.count, 2);
    EXPECT_EQ(r.from, 0);
    EXPECT_EQ(r.to, 3);
    EXPECT_EQ(r.selStart, 5);
    EXPECT_EQ(r.selLength, 0);
}

TEST(ReplaceAll, GrowingReplacementUpwardsEnds)
{
    const QByteArray text = "a a a";
    const TReplaceAllResult r = Replace(text, 5, 0, "a", "aa", kUp);
    EXPECT_EQ(Applied(text, r), "aa aa aa");
    EXPECT_EQ(r.count, 3);
    EXPECT_EQ(r.selStart, 0);
    EXPECT_EQ(r.selLength, 0);
}

TEST(ReplaceAll, OnlyTheSearchedPartOfTheTextChanges)
{
    const QByteArray text = "a a a a";
    TReplaceAllResult r = Replace(text, 2, 1, "a", "b", kDown);
    EXPECT_EQ(Applied(text, r), "a a b b");
    EXPECT_EQ(r.from, 4);
    EXPECT_EQ(r.to, 7);
    EXPECT_EQ(r.replacement, "b b");
    EXPECT_EQ(r.selStart, 7);

    r = Replace(text, 3, 4, "a", "b", kUp);
    EXPECT_EQ(Applied(text, r), "b b a a");
    EXPECT_EQ(r.from, 0);
    EXPECT_EQ(r.to, 3);
    EXPECT_EQ(r.count, 2);
    EXPECT_EQ(r.selStart, 0);
}

TEST(ReplaceAll, OverlappingOccurrencesAreReplacedOnce)
{
    TReplaceAllResult r = Replace("aaa", 0, 0, "aa", "b", kDown);
    EXPECT_EQ(Applied("aaa", r), "ba");
    EXPECT_EQ(r.count, 1);
    r = Replace("aaa", 3, 0, "aa", "b", kUp);
    EXPECT_EQ(Applied("aaa", r), "ab");
    EXPECT_EQ(r.count, 1);
    r = Replace("aaaaa", 0, 0, "aa", "b", kDown);
    EXPECT_EQ(Applied("aaaaa", r), "bba");
    EXPECT_EQ(r.selStart, 2);
}

TEST(ReplaceAll, WholeWordsKeepTheirQuirks)
{
    const QByteArray text = "Haus Hausboot Haus";
    // The word at the start position is passed over downwards ...
    TReplaceAllResult r = Replace(text, 0, 0, "Haus", "Hof", kDown | kWord);
    EXPECT_EQ(Applied(text, r), "Haus Hausboot Hof");
    EXPECT_EQ(r.count, 1);
    EXPECT_EQ(r.selStart, 17);
    // ... but counts upwards.
    r = Replace(text, text.size(), 0, "haus", "Hof", kUp | kWord);
    EXPECT_EQ(Applied(text, r), "Hof Hausboot Hof");
    EXPECT_EQ(r.count, 2);
    EXPECT_EQ(r.selStart, 0);
    // Each further search downwards starts right on the following word's
    // delimiter, so adjacent words are all reached.
    r = Replace(" a a a", 0, 0, "a", "bb", kDown | kWord);
    EXPECT_EQ(Applied(" a a a", r), " bb bb bb");
}

TEST(ReplaceAll, EmptyReplacementDeletes)
{
    const QByteArray text = "a,a,a";
    TReplaceAllResult r = Replace(text, 0, 0, "a", "", kDown);
    EXPECT_EQ(Applied(text, r), ",,");
    EXPECT_EQ(r.count, 3);
    EXPECT_EQ(r.selStart, 2);
    r = Replace(text, 5, 0, "A", "", kUp);
    EXPECT_EQ(Applied(text, r), ",,");
    EXPECT_EQ(r.selStart, 0);
    // Deleting may join bytes into a new occurrence; it is not searched.
    r = Replace("aabb", 0, 0, "ab", "", kDown);
    EXPECT_EQ(Applied("aabb", r), "ab");
    EXPECT_EQ(r.count, 1);
}

TEST(ReplaceAll, NothingFoundLeavesEverything)
{
    for (TFindOptions o : {kDown, kUp, TFindOptions(kDown | kWord), TFindOptions(kDown | kCase)}) {
        const TReplaceAllResult r = Replace("Haus Hausboot", 3, 2, "HAUS", "x", o | kCase);
        EXPECT_EQ(r.count, 0) << o;
        EXPECT_EQ(r.from, 0) << o;
        EXPECT_EQ(r.to, 0) << o;
        EXPECT_TRUE(r.replacement.isEmpty()) << o;
        EXPECT_EQ(r.selStart, 3) << o;
        EXPECT_EQ(r.selLength, 2) << o;
    }
    const TReplaceAllResult empty = Replace("abc", 1, 1, "", "x", kDown);
    EXPECT_EQ(empty.count, 0);
    EXPECT_EQ(empty.selStart, 1);
}

TEST(ReplaceAll, CaseFoldedMatchesAreReplaced)
{
    const QByteArray text = "\xC4rger \xE4rgert \xC4RGER";
    const TReplaceAllResult r = Replace(text, 0, 0, "\xE4rger", "Zorn", kDown);
    EXPECT_EQ(Applied(text, r), "Zorn Zornt Zorn");
    EXPECT_EQ(r.count, 3);
}

// --- against the step-by-step reading ---------------------------------------

namespace {

QByteArray RandomBytes(std::mt19937 &rng, const QByteArray &alphabet, int maxLength)
{
    QByteArray out;
    const int n = std::uniform_int_distribution<int>(0, maxLength)(rng);
    for (int i = 0; i < n; ++i)
        out += alphabet[std::uniform_int_distribution<int>(0, int(alphabet.size()) - 1)(rng)];
    return out;
}

// Small alphabets give many near misses and overlaps; the wide one brings
// in every kind of delimiter and case pair.
const QByteArray kAlphabets[] = {
    QByteArray("ab"),
    QByteArray("aAb "),
    QByteArray("aAbB {}\\,.\xE4\xC4\xFF\x9F\xDF", 15),
    QByteArray("xa\0\t\n{", 6),
};

TCase RandomCase(std::mt19937 &rng)
{
    TCase c;
    const QByteArray &alphabet = kAlphabets[rng() % std::size(kAlphabets)];
    c.text = RandomBytes(rng, alphabet, rng() % 8 == 0 ? 200 : 24);
    if (rng() % 2 && !c.text.isEmpty()) {
        // A piece of the text, so that there is something to find.
        const qint64 at = rng() % c.text.size();
        c.pattern = c.text.mid(at, 1 + rng() % 4);
        if (rng() % 3 == 0)
            c.pattern = c.pattern.toUpper();
    } else {
        c.pattern = RandomBytes(rng, alphabet, 4);
    }
    c.replacement = rng() % 4 == 0 ? c.pattern + c.pattern : RandomBytes(rng, alphabet, 3);
    const qint64 n = c.text.size();
    c.selStart = qint64(rng() % (n + 3)) - 1;
    c.selLength = rng() % 3 ? 0 : qint64(rng() % (n + 2));
    c.options = TFindOptions(rng() & (kDown | kCase | kWord));
    // Bits the search does not read must not change anything.
    if (rng() % 4 == 0)
        c.options |= FindOptionBit(frReplaceAll) | FindOptionBit(frFindNext);
    return c;
}
} // namespace

TEST(SearchDifferential, SearchBufferAgreesWithTheStepwiseSearch)
{
    std::mt19937 rng(20240611);
    int found = 0, foundWholeWord = 0, foundUp = 0;
    for (int i = 0; i < 12000; ++i) {
        const TCase c = RandomCase(rng);
        const qint64 expected = TNaive(c.text, c.pattern, c.options).Search(c.selStart, c.selLength);
        const qint64 got = Find(c.text, c.selStart, c.selLength, c.pattern, c.options);
        ASSERT_EQ(got, expected) << Describe(c);
        found += expected >= 0;
        foundWholeWord += expected >= 0 && HasFindOption(c.options, frWholeWord);
        foundUp += expected >= 0 && !HasFindOption(c.options, frDown);
    }
    // The cases must exercise both outcomes in every mode, or the
    // comparison proves little.
    EXPECT_GT(found, 1600);
    EXPECT_LT(found, 10000);
    EXPECT_GT(foundWholeWord, 200);
    EXPECT_GT(foundUp, 600);
}

TEST(SearchDifferential, ReplaceAllAgreesWithOneReplacementAtATime)
{
    std::mt19937 rng(77);
    int replaced = 0, replacedWholeWordUp = 0;
    for (int i = 0; i < 8000; ++i) {
        const TCase c = RandomCase(rng);
        QByteArray expectedText = c.text;
        const TReplaceAllResult expected =
            NaiveReplaceAll(expectedText, c.selStart, c.selLength, c.pattern, c.replacement, c.options);
        const TReplaceAllResult got = Replace(c.text, c.selStart, c.selLength, c.pattern, c.replacement, c.options);
        ASSERT_EQ(got.count, expected.count) << Describe(c);
        ASSERT_EQ(Applied(c.text, got), expectedText) << Describe(c);
        ASSERT_EQ(got.selStart, expected.selStart) << Describe(c);
        ASSERT_EQ(got.selLength, expected.selLength) << Describe(c);
        if (got.count > 0) {
            // The changed range is tight: it starts and ends with a replacement.
            ASSERT_TRUE(got.replacement.startsWith(c.replacement)) << Describe(c);
            ASSERT_TRUE(got.replacement.endsWith(c.replacement)) << Describe(c);
            ASSERT_GE(got.to - got.from, c.pattern.size()) << Describe(c);
        } else {
            ASSERT_EQ(got.from, 0);
            ASSERT_EQ(got.to, 0);
        }
        replaced += got.count > 1;
        replacedWholeWordUp +=
            got.count > 1 && HasFindOption(c.options, frWholeWord) && !HasFindOption(c.options, frDown);
    }
    EXPECT_GT(replaced, 400);
    EXPECT_GT(replacedWholeWordUp, 20);
}

TEST(SearchDifferential, ReplaceAllFindsTheSameWhenItTellsHowFarItIs)
{
    // Told how far it is, the search goes a window of a few MB at a time;
    // occurrences across a window's end must be found all the same.
    const qint64 window = 4 << 20;
    std::mt19937 rng(4242);
    const std::vector<std::vector<QByteArray>> alphabets = {
        {"a", "b", " ", "."}, {"a", "A", "b", "B", " ", "\xe4", "\xc4"}, {"\xc3\xa4", "\xc3\x84", "b", "B", " "}, {"x"}};
    struct TRun
    {
        QByteArray pattern;
        TFindOptions options;
        encoding::TEncoding encoding;
    };
    const TRun runs[] = {
        {"ab", kDown | kCase, encoding::TEncoding::Cp1252},
        {"ab", kDown, encoding::TEncoding::Cp1252},
        {"ab", kDown | kWord, encoding::TEncoding::Cp1252},
        {"\xc3\xa4" "b", kDown, encoding::TEncoding::Utf8},
        {"ab", kCase, encoding::TEncoding::Cp1252},
        {"ab", kWord, encoding::TEncoding::Cp1252},
        {"\xc3\xa4" "b", 0, encoding::TEncoding::Utf8},
    };
    int dense = 0;
    for (const std::vector<QByteArray> &tokens : alphabets) {
        QByteArray text;
        text.reserve(2 * window + 8192);
        while (text.size() < 2 * window + 4096)
            text += tokens[rng() % tokens.size()];
        // Sparse text: single occurrences across where the windows end,
        // counted from the start downwards and from the end upwards.
        const qint64 n = text.size();
        for (const qint64 at : {window - 1, 2 * window - 3, n - window - 1, n - 2 * window - 1})
            text.replace(at - 1, 4, " ab ");
        for (const TRun &run : runs) {
            const QByteArray &pattern = run.pattern;
            const qint64 from = HasFindOption(run.options, frDown) ? 0 : n;
            const std::vector<qint64> whole =
                ReplaceAllMatches(text.constData(), n, from, 0, pattern, run.options, run.encoding);
            std::vector<qint64> told;
            const std::vector<qint64> windowed =
                ReplaceAllMatches(text.constData(), n, from, 0, pattern, run.options, run.encoding,
                                  [&](qint64 at) { told.push_back(at); });
            ASSERT_EQ(windowed, whole) << pattern.toStdString() << " in " << tokens.size() << " tokens";
            EXPECT_GE(told.size(), 2u) << "even a search that finds little tells how far it is";
            EXPECT_TRUE(std::is_sorted(told.begin(), told.end()));
            if (tokens.size() == 1 && run.encoding == encoding::TEncoding::Cp1252) {
                EXPECT_EQ(whole.size(), 4u) << pattern.toStdString();
            }
            dense += whole.size() > 1000;
        }
    }
    // Most runs find occurrences everywhere, across every window's end.
    EXPECT_GE(dense, 12);
}
