#include "TestSupport.h"
#include "../support/ScriptedUser.h"
#include "app/EditMain.h"
#include "editor/MultEdit.h"
#include "platform/core/EditorError.h"
#include "platform/core/Encoding.h"
#include "platform/AppTitle.h"
#include "platform/Dialogs.h"
#include "platform/ErrorDisplay.h"
#include "print/PageDlg.h"
#include "print/PrintChannel.h"
#include "print/PrintDialogs.h"
#include "print/Printer.h"

#include <QFontDatabase>
#include <QLabel>
#include <QLineEdit>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <QToolButton>
#include <gtest/gtest.h>
#include <cmath>

using namespace testsupport;

namespace {

struct TPdfLine
{
    double x = 0, y = 0, right = 0;
    QString text;
};
using TPdfPage = QList<TPdfLine>;

// The words pdftotext finds, page by page, joined into lines by height.
QList<TPdfPage> ReadPdf(const QString &pdf)
{
    QProcess tool;
    tool.start(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), pdf, QStringLiteral("-")});
    if (!tool.waitForFinished(60000) || tool.exitCode() != 0)
        return {};
    const QString html = QString::fromUtf8(tool.readAllStandardOutput());
    static const QRegularExpression item(QStringLiteral(
        "<page |<word xMin=\"([\\d.]+)\" yMin=\"([\\d.]+)\" xMax=\"([\\d.]+)\" yMax=\"[\\d.]+\">([^<]*)</word>"));
    QList<TPdfPage> pages;
    for (auto it = item.globalMatch(html); it.hasNext();) {
        const auto match = it.next();
        if (match.captured(0) == QLatin1String("<page ")) {
            pages.append(TPdfPage());
            continue;
        }
        const double x = match.captured(1).toDouble(), y = match.captured(2).toDouble();
        QString word = match.captured(4);
        word.replace(QLatin1String("&amp;"), QLatin1String("&"));
        TPdfPage &page = pages.last();
        if (!page.isEmpty() && std::abs(page.last().y - y) < 0.5) {
            page.last().text += QLatin1Char(' ') + word;
            page.last().right = match.captured(3).toDouble();
        } else {
            page.append({x, y, match.captured(3).toDouble(), word});
        }
    }
    return pages;
}

QFont MonoFont()
{
    QFont font(QStringLiteral("DejaVu Sans Mono"), 10);
    font.setStyleHint(QFont::TypeWriter);
    return font;
}

// Prints go to a PDF file for the time of a test, never to a printer.
class PdfPrinter
{
public:
    explicit PdfPrinter(const QString &file)
    {
        QPrinter &printer = printing::ThePrinter();
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(file);
        printer.setPageSize(QPageSize(QPageSize::A4));
        printer.setPageMargins(QMarginsF(15, 15, 15, 15), QPageLayout::Millimeter);
    }
    ~PdfPrinter() { printing::ThePrinter().setOutputFileName(QString()); }

    // What the channel makes of the printer and the font.
    static printing::TPrintMetrics Metrics(const QFont &font)
    {
        TPrintChannel channel(printing::ThePrinter());
        channel.Open();
        channel.SetFont(font);
        return channel.Metrics();
    }
    static QRectF Printable() { return printing::ThePrinter().pageLayout().paintRect(QPageLayout::Point); }
};

QByteArray Numbered(int first, int last)
{
    QByteArray text;
    for (int i = first; i <= last; ++i)
        text += "Zeile " + QByteArray::number(i) + (i < last ? "\r\n" : "");
    return text;
}

// A channel that keeps the printed lines.
class TLineRecorder : public printing::TPrintSink
{
public:
    void Write(const char *bytes, qsizetype length) override { current.append(bytes, length); }
    void EndLine() override
    {
        lines << current;
        current.clear();
    }
    void FormFeed() override { ++page; }
    int PageNumber() const override { return page; }
    QList<QByteArray> lines;
    QByteArray current;
    int page = 1;
};

class PrintTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        editor.resize(700, 500);
        editor.show();
    }
    TXMemo *OpenText(const QString &name, const QByteArray &bytes)
    {
        WriteBytes(dir.filePath(name), bytes);
        editor.OpenFile(dir.filePath(name));
        TXMemo *memo = editor.ControlAt(editor.FileIndex());
        memo->SetEditorFont(MonoFont());
        return memo;
    }

    QTemporaryDir dir;
    TScriptedUser user;
    QStringList &errors = user.Errors;
    TMultiEditor editor;
};

} // namespace

TEST_F(PrintTest, PagesCarryTheMarginsAsBlanksEmptyLinesAndFormFeeds)
{
    TXMemo *memo = OpenText("lang.txt", Numbered(1, 130));
    memo->SetWordWrap(false);
    editor.LeftMargin = 20;
    editor.TopMargin = 20;
    editor.BottomMargin = 10;
    const QString pdf = dir.filePath("lang.pdf");
    PdfPrinter to(pdf);
    editor.PrintFile(editor.FileIndex());
    ASSERT_TRUE(errors.isEmpty()) << errors.join(' ').toStdString();

    const printing::TPrintMetrics metrics = PdfPrinter::Metrics(MonoFont());
    const printing::TPrintLayout layout = printing::ComputePrintLayout(20, 20, 10, metrics);
    ASSERT_GT(layout.TopLines, layout.BottomLines);
    const int perPage = layout.PageLines - layout.TopLines - layout.BottomLines;
    const double lineHeight = metrics.CharHeight * 72.0 / metrics.DpiY;
    const double indent = layout.IndentChars * metrics.BlankWidth * 72.0 / metrics.DpiX;
    const QRectF printable = PdfPrinter::Printable();

    const QList<TPdfPage> pages = ReadPdf(pdf);
    ASSERT_EQ(pages.size(), (130 + perPage - 1) / perPage);
    int expected = 1;
    for (const TPdfPage &page : pages) {
        ASSERT_FALSE(page.isEmpty());
        EXPECT_NEAR(page.first().y - printable.top(), layout.TopLines * lineHeight, lineHeight / 2);
        for (int i = 0; i < page.size(); ++i) {
            EXPECT_EQ(page.at(i).text, QStringLiteral("Zeile %1").arg(expected++));
            EXPECT_NEAR(page.at(i).x - printable.left(), indent, 1.0);
            if (i > 0) {
                EXPECT_NEAR(page.at(i).y - page.at(i - 1).y, lineHeight, 0.1);
            }
        }
        if (&page != &pages.last()) {
            EXPECT_EQ(page.size(), perPage);
            // The lines kept free at the bottom: fewer than the empty lines at the top.
            const double freeBelow = printable.bottom() - (page.last().y + lineHeight);
            EXPECT_GT(freeBelow, (layout.BottomLines - 1) * lineHeight);
            EXPECT_LT(freeBelow, (page.first().y - printable.top()));
        }
    }
    EXPECT_EQ(expected, 131);
}

TEST_F(PrintTest, LongLinesContinueAtTheRightEdgeAndTabsAlignToEight)
{
    QByteArray line;
    for (int i = 0; i < 40; ++i)
        line += "wort" + QByteArray::number(i % 10) + "-";
    // Not UTF-8 (0x84 cannot start a character): a Windows-1252 file.
    TXMemo *memo = OpenText("breit.txt", line + "\r\n\tA\tB\r\n\x84\xe4\x80");
    memo->SetWordWrap(false);
    const QString pdf = dir.filePath("breit.pdf");
    PdfPrinter to(pdf);
    editor.PrintFile(editor.FileIndex());
    ASSERT_TRUE(errors.isEmpty()) << errors.join(' ').toStdString();

    const QList<TPdfPage> pages = ReadPdf(pdf);
    ASSERT_EQ(pages.size(), 1);
    const QRectF printable = PdfPrinter::Printable();
    QString joined;
    int rows = 0;
    for (const TPdfLine &row : pages.first()) {
        if (!row.text.startsWith(QLatin1String("wort")))
            break;
        EXPECT_LE(row.right, printable.right() + 0.5);
        joined += row.text;
        ++rows;
    }
    EXPECT_GT(rows, 1);
    EXPECT_EQ(joined, QString::fromLatin1(line));

    // "A" after one tab and "B" after the next: eight character widths each.
    const printing::TPrintMetrics metrics = PdfPrinter::Metrics(MonoFont());
    const double tab = 8 * QFontMetrics(MonoFont(), &printing::ThePrinter()).averageCharWidth() * 72.0 / metrics.DpiX;
    ASSERT_GT(pages.first().size(), rows + 1);
    const TPdfLine tabs = pages.first().at(rows);
    EXPECT_EQ(tabs.text, QStringLiteral("A B"));
    EXPECT_NEAR(tabs.x - printable.left(), tab, 1.0);
    EXPECT_EQ(pages.first().at(rows + 1).text, QStringLiteral("„ä€"));
}

TEST_F(PrintTest, TheSelectionUpToTheLastCharacterAndNothingWhenEmpty)
{
    TXMemo *memo = OpenText("auswahl.txt", Numbered(1, 5));
    memo->Select(memo->LineIndex(3) + 2, memo->TextLength() - memo->LineIndex(3) - 2);
    editor.PrintSelectionOnly = true;
    editor.TopMargin = 20;
    editor.BottomMargin = 10;
    const QString pdf = dir.filePath("auswahl.pdf");
    printing::TPrintMetrics metrics;
    QRectF printable;
    {
        PdfPrinter to(pdf);
        editor.PrintFile(editor.FileIndex());
        metrics = PdfPrinter::Metrics(MonoFont());
        printable = PdfPrinter::Printable();
    }
    ASSERT_TRUE(errors.isEmpty()) << errors.join(' ').toStdString();
    const QList<TPdfPage> pages = ReadPdf(pdf);
    ASSERT_EQ(pages.size(), 1);
    ASSERT_EQ(pages.first().size(), 2);
    EXPECT_EQ(pages.first().at(0).text, QStringLiteral("ile 4"));
    EXPECT_EQ(pages.first().at(1).text, QStringLiteral("Zeile 5"));
    const printing::TPrintLayout layout = printing::ComputePrintLayout(0, 20, 10, metrics);
    EXPECT_NEAR(pages.first().first().y - printable.top(), layout.TopLines * metrics.CharHeight * 72.0 / metrics.DpiY,
                2.0);

    // No selection: the job is given up without a page.
    memo->Select(0, 0);
    const QString none = dir.filePath("leer.pdf");
    {
        PdfPrinter to(none);
        editor.PrintFile(editor.FileIndex());
    }
    EXPECT_TRUE(errors.isEmpty());
    EXPECT_FALSE(QFile::exists(none));
}

TEST_F(PrintTest, WrappedLinesArePrintedAsTheScreenShowsThem)
{
    QByteArray text;
    for (int i = 0; i < 6; ++i)
        text += "Ein langer Absatz, der auf dem Schirm in mehrere Zeilen umbrochen wird, Nummer "
                + QByteArray::number(i) + " mit noch etwas mehr Text danach.\r\n";
    TXMemo *memo = OpenText("umbruch.txt", text);
    memo->SetWordWrap(true);
    memo->resize(260, 400);
    QCoreApplication::processEvents();

    printing::TPrintMetrics metrics;
    metrics.DpiX = metrics.DpiY = 600;
    metrics.BlankWidth = 20;
    metrics.CharHeight = 100;
    metrics.PageWidth = 4000;
    metrics.PageHeight = 6000;
    TLineRecorder recorder;
    memo->PrintText(recorder, metrics);

    // The screen's own lines: from each start, the end of its display line.
    QList<QByteArray> screen;
    for (qint64 line = 0; line < memo->LineCount(); ++line) {
        qint64 position = memo->LineIndex(line);
        const qint64 lineEnd =
            memo->SendScintilla(QsciScintillaBase::SCI_GETLINEENDPOSITION, static_cast<unsigned long>(line));
        // From inside a display line (its start is also the end of the one before).
        while (position < lineEnd) {
            memo->SendScintilla(QsciScintillaBase::SCI_GOTOPOS, static_cast<unsigned long>(position + 1));
            memo->SendScintilla(QsciScintillaBase::SCI_LINEENDDISPLAY);
            qint64 end = memo->SendScintilla(QsciScintillaBase::SCI_GETCURRENTPOS);
            // The caret stops before the last character of a wrapped display line.
            if (end < lineEnd)
                ++end;
            ASSERT_GT(end, position);
            screen << memo->TextRange(position, end);
            position = end;
        }
        if (lineEnd == memo->LineIndex(line))
            screen << QByteArray();
    }
    ASSERT_GT(screen.size(), 12);
    EXPECT_EQ(recorder.lines, screen);
    EXPECT_TRUE(recorder.current.isEmpty());

    // Word wrap off: the file's lines, however wide.
    memo->SetWordWrap(false);
    TLineRecorder unwrapped;
    memo->PrintText(unwrapped, metrics);
    EXPECT_EQ(unwrapped.lines.size(), 7);
    EXPECT_EQ(unwrapped.lines.first(), text.left(text.indexOf('\r')));
}

TEST_F(PrintTest, Utf8FilesPrintTheirCharacters)
{
    const QString greeting = QStringLiteral("Grüße aus Köln – „Zitat“ 15 € Σσ Жж");
    // The line goes to the channel in pieces of 250 bytes: the first cuts "ä" in two.
    const QString cut = QString(249, QLatin1Char('x')) + QStringLiteral("äöü");
    TXMemo *memo = OpenText("utf8.txt", (greeting + QStringLiteral("\r\n") + cut).toUtf8());
    memo->SetEncoding(encoding::TEncoding::Utf8);
    memo->SetWordWrap(false);
    const QString pdf = dir.filePath("utf8.pdf");
    {
        PdfPrinter to(pdf);
        editor.PrintFile(editor.FileIndex());
    }
    ASSERT_TRUE(errors.isEmpty()) << errors.join(' ').toStdString();
    QList<TPdfPage> pages = ReadPdf(pdf);
    ASSERT_EQ(pages.size(), 1);
    ASSERT_GT(pages.first().size(), 2);
    EXPECT_EQ(pages.first().first().text, greeting);
    QString joined;
    for (int i = 1; i < pages.first().size(); ++i)
        joined += pages.first().at(i).text;
    EXPECT_EQ(joined, cut);

    // Bytes that are no UTF-8, also a sequence the line ends in, show the
    // replacement character, as on screen.
    const QString broken = dir.filePath("broken.pdf");
    {
        PdfPrinter to(broken);
        TPrintChannel channel(printing::ThePrinter());
        channel.Open();
        channel.SetFont(MonoFont());
        channel.SetEncoding(encoding::TEncoding::Utf8);
        channel.Write("a\xC3", 2);
        channel.Write("\xA4"
                      "b",
                      2);
        channel.EndLine();
        channel.Write("c\xE2\x82", 3);
        channel.EndLine();
        channel.Write("d\xFF"
                      "e",
                      3);
        channel.Close();
    }
    pages = ReadPdf(broken);
    ASSERT_EQ(pages.size(), 1);
    QStringList lines;
    for (const TPdfLine &line : pages.first())
        lines << line.text;
    EXPECT_EQ(lines, (QStringList{QStringLiteral("aäb"), QStringLiteral("c\uFFFD"), QStringLiteral("d\uFFFDe")}));
}

TEST_F(PrintTest, WithoutAPrinterTheUserIsToldAndNothingElseHappens)
{
    TXMemo *memo = OpenText("a.txt", "Text");
    ASSERT_NE(memo, nullptr);
    printing::ThePrinter().setOutputFileName(QString());
    printing::ThePrinter().setOutputFormat(QPrinter::NativeFormat);
    // The editor raises the error; the window's general error display shows it.
    bool raised = false;
    errordisplay::RunGuarded([&] {
        try {
            editor.PrintFile(editor.FileIndex());
        } catch (const TEditorError &error) {
            raised = error.Message() == QStringLiteral("Kein Drucker installiert.");
            throw;
        }
    });
    EXPECT_TRUE(raised);
    EXPECT_EQ(errors, QStringList{QStringLiteral("Kein Drucker installiert.")});
    EXPECT_EQ(memo->Text(), QByteArray("Text"));
}
