#include "editor/core/Navigation.h"

#include <QByteArray>
#include <gtest/gtest.h>

namespace {

qint64 Next(const QByteArray &text, qint64 selStart, qint64 selLength = 0)
{
    return navigation::NextBlank(text.constData(), text.size(), selStart, selLength);
}

qint64 Previous(const QByteArray &text, qint64 caret)
{
    return navigation::PreviousBlank(text.constData(), text.size(), caret);
}

} // namespace

TEST(BlankJumps, ForwardStepsOverBlanksAtTheCaretToBeforeTheNextOne)
{
    EXPECT_EQ(Next("  a b", 0), 3);
    EXPECT_EQ(Next("  a b", 3), 4) << "no further blank: behind the blank stepped over";
    EXPECT_EQ(Next("ab", 0), 0);
    EXPECT_EQ(Next("a\tb c", 0), 1) << "tabs are blanks";
    EXPECT_EQ(Next("a \t\t b c", 1), 6) << "a mixed run is stepped over whole";
    EXPECT_EQ(Next("", 0), 0);
}

TEST(BlankJumps, TheFirstSpaceIsLookedForBehindTheSelection)
{
    // "a b c" with "a b" selected: the space inside the selection is passed.
    EXPECT_EQ(Next("a b c", 0, 3), 3);
    // A tab is looked for from the caret even then.
    EXPECT_EQ(Next("a\tb c", 0, 3), 1);
}

TEST(BlankJumps, BackwardGoesBeforeTheFirstBlankOfTheNearestRun)
{
    EXPECT_EQ(Previous("ab  cd", 6), 2);
    EXPECT_EQ(Previous("ab \t cd", 7), 2);
    EXPECT_EQ(Previous("a b  c", 6), 3) << "only the nearest run";
    EXPECT_EQ(Previous("abc", 3), 3) << "no blank before: stays";
    EXPECT_EQ(Previous("a  b", 2), 1) << "a blank right before the caret belongs to the run";
}

TEST(GoToLineCaret, KeepsTheColumnWithinTheLine)
{
    const QByteArray text = "eins\nzweite Zeile\ndrei\n";
    const auto caret = [&](qint64 column, qint64 start, qint64 next) {
        return navigation::LineCaret(text.constData(), text.size(), column, start, next);
    };
    EXPECT_EQ(caret(3, 5, 18), 5 + 2);
    EXPECT_EQ(caret(11, 18, 23), 18 + 4) << "short line: behind its text, before the break";
    EXPECT_EQ(caret(1, 0, 5), 0);
}

TEST(GoToLineCaret, NeverLandsInsideALineBreakOrPastTheText)
{
    const QByteArray crlf = "Zeile eins\r\nabc\r\nxyz";
    // Line 2 starts at 12, line 3 at 17: CR LF counts as one column.
    EXPECT_EQ(navigation::LineCaret(crlf.constData(), crlf.size(), 9, 12, 17), 12 + 3);
    EXPECT_EQ(navigation::LineCaret(crlf.constData(), crlf.size(), 4, 12, 17), 12 + 3);
    EXPECT_EQ(navigation::LineCaret(crlf.constData(), crlf.size(), 3, 12, 17), 12 + 2);
    // The last line "xyz" has no break: column 10 goes one before the end.
    EXPECT_EQ(navigation::LineCaret(crlf.constData(), crlf.size(), 10, 17, -1), 17 + 2);
    // Past the last line: the end of the text.
    EXPECT_EQ(navigation::LineCaret(crlf.constData(), crlf.size(), 5, -1, -1), crlf.size());
    // An empty last line or text: never below 0.
    EXPECT_EQ(navigation::LineCaret("", 0, 7, 0, -1), 0);
}

TEST(GoToLineCaret, CountsCharactersInUtf8)
{
    using encoding::TEncoding;
    // "Köln € x" (line 1), "日本語abc" (line 2, CR LF), "zä" (last line).
    const QByteArray text = "K\xC3\xB6ln \xE2\x82\xAC x\n\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E"
                            "abc\r\nz\xC3\xA4";
    const qint64 line2 = text.indexOf('\n') + 1, line3 = text.indexOf("\r\n") + 2;
    const auto caret = [&](qint64 column, qint64 start, qint64 next) {
        return navigation::LineCaret(text.constData(), text.size(), column, start, next, TEncoding::Utf8);
    };
    const auto column = [&](qint64 start, qint64 position) {
        return navigation::Column(text.constData(), text.size(), start, position, TEncoding::Utf8);
    };
    EXPECT_EQ(caret(4, line2, line3), line2 + 9) << "three characters of three bytes each";
    EXPECT_EQ(caret(2, line2, line3), line2 + 3) << "between two characters, never inside one";
    EXPECT_EQ(caret(7, line2, line3), line3 - 2) << "the line's end: before CR LF";
    EXPECT_EQ(caret(40, line2, line3), line3 - 2);
    EXPECT_EQ(caret(10, line3, -1), line3 + 1) << "the last line: before its last character, not inside it";
    EXPECT_EQ(caret(8, 0, line2), line2 - 2) << "the 8th character, x";
    EXPECT_EQ(caret(9, 0, line2), line2 - 1);

    EXPECT_EQ(column(0, 0), 1);
    EXPECT_EQ(column(0, 3), 3) << "K and ö";
    EXPECT_EQ(column(0, 9), 7) << "behind the euro sign";
    EXPECT_EQ(column(line2, line2 + 9), 4);
    // Windows-1252: a byte is a column.
    EXPECT_EQ(navigation::Column(text.constData(), text.size(), line2, line2 + 9, TEncoding::Cp1252), 10);

    // A byte that starts no sequence is a character of its own, as on screen.
    const QByteArray broken = "a\xFF\xC3\xA4"
                              "b\xE2\x82";
    EXPECT_EQ(navigation::Column(broken.constData(), broken.size(), 0, broken.size(), TEncoding::Utf8), 7);
    EXPECT_EQ(navigation::LineCaret(broken.constData(), broken.size(), 4, 0, -1, TEncoding::Utf8), 4);
}
