#include "print/core/LinePrinter.h"
#include "print/core/PrintLayout.h"

#include <gtest/gtest.h>

#include <QByteArray>
#include <QList>
#include <string>

using namespace printing;

namespace {

// A channel that records what reaches the paper: every page as its lines.
// Like the real one it starts a page when the next line would not fit.
class TRecordingSink : public TPrintSink
{
public:
    explicit TRecordingSink(int linesPerPage) : m_linesPerPage(linesPerPage) { pages.append({std::string()}); }

    void Write(const char *bytes, qsizetype length) override
    {
        ++writes;
        longestWrite = std::max(longestWrite, length);
        for (qsizetype i = 0; i < length; ++i) {
            if (bytes[i] == '\f')
                FormFeed();
            else
                pages.last().last().push_back(bytes[i]);
        }
    }
    void EndLine() override
    {
        if (int(pages.last().size()) >= m_linesPerPage)
            pages.append(QList<std::string>());
        pages.last().append(std::string());
    }
    void FormFeed() override { pages.append({std::string()}); }
    int PageNumber() const override { return int(pages.size()); }

    // Lines of a page without the open line the channel stands on.
    QList<std::string> Lines(int page) const
    {
        QList<std::string> lines = pages.at(page);
        if (!lines.isEmpty() && lines.last().empty())
            lines.removeLast();
        return lines;
    }

    QList<QList<std::string>> pages;
    int writes = 0;
    qsizetype longestWrite = 0;

private:
    int m_linesPerPage;
};

TPrintMetrics Metrics600()
{
    TPrintMetrics m;
    m.DpiX = 600;
    m.DpiY = 600;
    m.BlankWidth = 21;
    m.CharHeight = 100;
    m.PageWidth = 4800;
    m.PageHeight = 6000; // 60 lines
    return m;
}

int LeadingEmpty(const QList<std::string> &lines)
{
    int n = 0;
    while (n < lines.size() && lines.at(n).empty())
        ++n;
    return n;
}

QByteArray Numbered(int count, const char *eol)
{
    QByteArray text;
    for (int i = 1; i <= count; ++i) {
        text += "Zeile " + QByteArray::number(i);
        if (i < count)
            text += eol;
    }
    return text;
}

} // namespace

TEST(PrintLayout, MillimetresBecomeCharactersAndLines)
{
    EXPECT_EQ(RoundHalfEven(2.5), 2);
    EXPECT_EQ(RoundHalfEven(3.5), 4);
    EXPECT_EQ(RoundHalfEven(-2.5), -2);
    EXPECT_EQ(RoundHalfEven(236.22), 236);

    // 10 mm at 600 dpi are 236 pixels; a blank of 21 pixels gives 236 div 21 + 1.
    TPrintLayout layout = ComputePrintLayout(10, 0, 0, Metrics600());
    EXPECT_EQ(layout.IndentChars, 12);
    EXPECT_EQ(layout.TopLines, 0);
    EXPECT_EQ(layout.BottomLines, 0);
    EXPECT_EQ(layout.PageLines, 0); // without top and bottom margin no line counting

    // 20 mm = 472 px -> 5 lines, 10 mm = 236 px -> 3 lines, 6000 div 100 = 60.
    layout = ComputePrintLayout(0, 20, 10, Metrics600());
    EXPECT_EQ(layout.IndentChars, 0);
    EXPECT_EQ(layout.TopLines, 5);
    EXPECT_EQ(layout.BottomLines, 3);
    EXPECT_EQ(layout.PageLines, 60);

    // 1 mm = 23.6 px rounds up to 24, which still holds one blank of 21.
    EXPECT_EQ(ComputePrintLayout(1, 0, 0, Metrics600()).IndentChars, 2);
}

TEST(PrintLayout, ZeroNegativeAndAbsurdMarginsStayOnThePage)
{
    const TPrintLayout none = ComputePrintLayout(-5, 0, -1, Metrics600());
    EXPECT_EQ(none.IndentChars, 0);
    EXPECT_EQ(none.TopLines, 0);
    EXPECT_EQ(none.BottomLines, 0);
    EXPECT_EQ(none.PageLines, 0);

    // Only a bottom margin still counts lines per page.
    const TPrintLayout bottomOnly = ComputePrintLayout(0, -3, 10, Metrics600());
    EXPECT_EQ(bottomOnly.TopLines, 0);
    EXPECT_EQ(bottomOnly.PageLines, 60);

    // Margins wider or taller than the paper would only feed blank lines and
    // blank pages; one character per line and one line per page remain.
    const TPrintLayout huge = ComputePrintLayout(2147483647, 2147483647, 2147483647, Metrics600());
    EXPECT_EQ(huge.IndentChars, 4800 / 21 - 1);
    EXPECT_EQ(huge.TopLines, 59);
    EXPECT_EQ(huge.BottomLines, 0);
}

TEST(LinePrinter, BufferLinesWithIndentTopLinesAndBottomFormFeeds)
{
    const TPrintLayout layout = ComputePrintLayout(10, 20, 10, Metrics600());
    TRecordingSink sink(60);
    TLinePrinter printer(sink, layout);
    const QByteArray text = Numbered(120, "\r\n");
    printer.PrintBuffer(text.constData(), text.size());

    const std::string indent(12, ' ');
    // 60 lines a page: 5 at the top, then text until 3 lines are left free.
    ASSERT_EQ(sink.pages.size(), 3);
    const QList<std::string> first = sink.Lines(0);
    EXPECT_EQ(LeadingEmpty(first), 5);
    EXPECT_EQ(first.size(), 57);
    EXPECT_EQ(first.at(5), indent + "Zeile 1");
    EXPECT_EQ(first.last(), indent + "Zeile 52");
    const QList<std::string> second = sink.Lines(1);
    EXPECT_EQ(LeadingEmpty(second), 5);
    EXPECT_EQ(second.at(5), indent + "Zeile 53");
    EXPECT_EQ(second.last(), indent + "Zeile 104");
    EXPECT_GT(LeadingEmpty(second), 60 - int(second.size()));
    EXPECT_EQ(sink.Lines(2).last(), indent + "Zeile 120");
}

TEST(LinePrinter, LineBreaksOfEveryKindAndTheLastEmptyLine)
{
    TRecordingSink sink(1000);
    TLinePrinter printer(sink, ComputePrintLayout(10, 0, 0, Metrics600()));
    const QByteArray text("a\r\nb\nc\rd\r\n\r\n");
    printer.PrintBuffer(text.constData(), text.size());
    const std::string indent(12, ' ');
    const QList<std::string> expected{indent + "a", indent + "b", indent + "c", indent + "d", indent, indent};
    EXPECT_EQ(sink.Lines(0), expected);

    TRecordingSink empty(1000);
    TLinePrinter nothing(empty, ComputePrintLayout(10, 20, 10, Metrics600()));
    nothing.PrintBuffer("", 0);
    EXPECT_EQ(empty.writes, 0);
    EXPECT_EQ(empty.pages.size(), 1);
    EXPECT_TRUE(empty.Lines(0).isEmpty());
}

TEST(LinePrinter, LongLinesGoInPiecesOntoOneOutputLine)
{
    TRecordingSink sink(1000);
    TLinePrinter printer(sink, TPrintLayout{});
    QByteArray line(1001, 'x');
    line[1000] = 'E';
    printer.PrintLine(line.constData(), line.size());
    EXPECT_EQ(sink.longestWrite, TLinePrinter::PieceLength);
    EXPECT_EQ(sink.writes, 5);
    EXPECT_EQ(sink.Lines(0), QList<std::string>{line.toStdString()});
}

TEST(LinePrinter, PagesTheChannelBeginsRestartTheCount)
{
    // A form feed starts a page of the channel: the line after it begins
    // the new page with its top lines and indent; inside a line it moves
    // the rest of the line, and the count starts again after it.
    const TPrintLayout layout = ComputePrintLayout(10, 20, 10, Metrics600());
    const std::string indent(12, ' ');
    TRecordingSink sink(60);
    TLinePrinter printer(sink, layout);
    const QByteArray text("eins\r\n\fzwei\r\ndrei\fvier\r\nf\u00fcnf");
    printer.PrintBuffer(text.constData(), text.size());
    ASSERT_EQ(sink.pages.size(), 3);
    EXPECT_EQ(sink.Lines(0), (QList<std::string>{"", "", "", "", "", indent + "eins"}));
    EXPECT_EQ(sink.Lines(1), (QList<std::string>{"", "", "", "", "", indent + "zwei", indent + "drei"}));
    const QList<std::string> third = sink.Lines(2);
    EXPECT_EQ(third.first(), "vier");
    EXPECT_EQ(LeadingEmpty(third.mid(1)), 5);
    EXPECT_EQ(third.last(), indent + "f\u00fcnf");

    // Without margins only the channel breaks pages.
    TRecordingSink plain(10);
    TLinePrinter unmargined(plain, ComputePrintLayout(0, 0, 0, Metrics600()));
    const QByteArray many = Numbered(25, "\n");
    unmargined.PrintBuffer(many.constData(), many.size());
    ASSERT_EQ(plain.pages.size(), 3);
    EXPECT_EQ(plain.Lines(0).first(), "Zeile 1");
    EXPECT_EQ(plain.Lines(1).first(), "Zeile 11");
    EXPECT_EQ(plain.Lines(2).last(), "Zeile 25");
}
