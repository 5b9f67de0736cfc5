#include "editor/core/ShownText.h"
#include "platform/core/TextFile.h"

#include <QList>
#include <QPair>
#include <gtest/gtest.h>
#include <random>

namespace {

// Lines of random lengths (some far over the limit), words of random
// lengths, all three line endings, and every byte value between them.
QByteArray MixedText(unsigned seed)
{
    std::mt19937 random(seed);
    QByteArray text;
    const char *endings[] = {"\r\n", "\n", "\r"};
    for (int line = 0; line < 40; ++line) {
        const int length = random() % 3 == 0 ? 500 + int(random() % 3000) : int(random() % 60);
        for (int i = 0; i < length; ++i) {
            const unsigned r = random() % 100;
            char c = r < 12 ? ' ' : r < 14 ? '\t' : char('a' + random() % 26);
            if (r == 99)
                c = char(0x80 + random() % 128);
            text.append(c);
        }
        if (line < 39)
            text.append(endings[random() % 3]);
    }
    return text;
}

bool IsEol(char c)
{
    return c == '\r' || c == '\n';
}

// The real line of every position, counted as Scintilla does.
std::vector<qint64> RealLines(const QByteArray &text)
{
    std::vector<qint64> lines;
    qint64 line = 0;
    for (qint64 i = 0; i <= text.size(); ++i) {
        lines.push_back(line);
        if (i < text.size() && (text[i] == '\n' || (text[i] == '\r' && (i + 1 >= text.size() || text[i + 1] != '\n'))))
            ++line;
    }
    return lines;
}

} // namespace

TEST(ShownText, OnlyLongLinesAreBrokenIntoPiecesAfterABlankWherePossible)
{
    const qint64 longest = 400, piece = 100;
    for (unsigned seed = 1; seed <= 20; ++seed) {
        const QByteArray text = MixedText(seed);
        const TShownText shown(text, longest, piece);
        EXPECT_EQ(shown.Bytes(), text);
        const std::vector<qint64> breaks = shown.Breaks();
        std::size_t next = 0;
        for (qint64 start = 0; start <= text.size();) {
            qint64 end = start;
            while (end < text.size() && !IsEol(text[end]))
                ++end;
            qint64 from = start;
            for (; next < breaks.size() && breaks[next] < end; ++next) {
                const qint64 at = breaks[next];
                ASSERT_GT(at, from) << "seed " << seed;
                EXPECT_GT(end - start, longest) << "a line short enough was broken";
                EXPECT_LE(at - from, piece);
                // After the last blank of the piece's second half, or where
                // the half has none, after a whole piece.
                const auto blankIn = [&](qint64 a, qint64 b) {
                    for (qint64 i = a; i < b; ++i) {
                        if (text[i] == ' ' || text[i] == '\t')
                            return true;
                    }
                    return false;
                };
                if (text[at - 1] == ' ' || text[at - 1] == '\t') {
                    EXPECT_GT(at - from, piece / 2);
                    EXPECT_FALSE(blankIn(at, from + piece)) << "seed " << seed << " at " << at;
                } else {
                    EXPECT_EQ(at - from, piece);
                    EXPECT_FALSE(blankIn(from + piece / 2, from + piece)) << "seed " << seed << " at " << at;
                }
                from = at;
            }
            if (end - start > longest) {
                EXPECT_LE(end - from, piece) << "the last piece of a long line is too long";
            }
            if (end >= text.size())
                break;
            start = end + (text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n' ? 2 : 1);
        }
        EXPECT_EQ(next, breaks.size()) << "a break outside a line";
    }
}

TEST(ShownText, PositionsAndLinesMapBetweenTheTextAndTheScreen)
{
    for (unsigned seed = 1; seed <= 10; ++seed) {
        const QByteArray text = MixedText(seed);
        const TShownText shown(text, 300, 80);
        const std::vector<qint64> breaks = shown.Breaks();
        ASSERT_FALSE(breaks.empty());
        QByteArray screen;
        qint64 from = 0;
        for (qint64 at : breaks) {
            screen.append(text.mid(from, at - from)).append('\n');
            from = at;
        }
        screen.append(text.mid(from));
        ASSERT_EQ(screen.size(), text.size() + shown.BreakCount());

        const std::vector<qint64> realLines = RealLines(text), screenLines = RealLines(screen);
        for (qint64 p = 0; p <= text.size(); ++p) {
            const qint64 s = shown.ShownFromReal(p);
            if (p < text.size()) {
                ASSERT_EQ(screen[s], text[p]) << "seed " << seed << " position " << p;
            }
            ASSERT_EQ(shown.RealFromShown(s), p);
            ASSERT_EQ(screenLines[std::size_t(s)] - shown.BreaksUpTo(p), realLines[std::size_t(p)]);
        }
        // On an extra break the screen position stands for the byte after it.
        for (std::size_t i = 0; i < breaks.size(); ++i)
            EXPECT_EQ(shown.RealFromShown(breaks[i] + qint64(i)), breaks[i]);
        // The first screen line of each real line.
        for (qint64 p = 0; p <= text.size(); ++p) {
            if (p > 0 && realLines[std::size_t(p)] == realLines[std::size_t(p - 1)])
                continue;
            const qint64 line = realLines[std::size_t(p)];
            EXPECT_EQ(screenLines[std::size_t(shown.ShownFromReal(p))], line + shown.BreaksBeforeLine(line));
        }
        EXPECT_EQ(shown.RealFromShown(-5), 0);
        EXPECT_EQ(shown.RealFromShown(screen.size() + 5), text.size());
    }
}

TEST(EolCounter, LongestLineWhereverTheTextIsCutIntoPieces)
{
    const QList<QPair<QByteArray, quint64>> cases = {
        {QByteArray(), 0},
        {QByteArray("\r\n\r\n"), 0},
        {QByteArray("abc"), 3},
        {QByteArray("ab\r\ncdef\nxy"), 4},
        {QByteArray("abcdef\r\r\nx"), 6},
        {QByteArray("a\rbcdefg\rh"), 6},
        {QByteArray("abc\r\n12345"), 5},
        {QByteArray("\0\0\0\0\n\0", 6), 4},
    };
    for (const auto &[text, longest] : cases) {
        for (qsizetype cut = 0; cut <= text.size(); ++cut) {
            for (qsizetype cut2 = cut; cut2 <= text.size(); ++cut2) {
                textfile::TEolCounter counter;
                counter.Feed(text.constData(), std::size_t(cut));
                counter.Feed(text.constData() + cut, std::size_t(cut2 - cut));
                counter.Feed(text.constData() + cut2, std::size_t(text.size() - cut2));
                EXPECT_EQ(counter.Longest(), longest) << text.toStdString() << " cut at " << cut << "," << cut2;
                EXPECT_EQ(counter.Dominant(), textfile::DominantEol(text.constData(), std::size_t(text.size())));
            }
        }
    }
}
