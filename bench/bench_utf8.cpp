// Times the UTF-8 work on large texts: deciding a file's encoding while it is
// read in pieces (beside the line-ending count it runs with), the rewrite
// between the encodings, searches without a match in 100 MB of UTF-8 (as
// the user meets them: the whole text is read), and replace all in UTF-8 next
// to the same in Windows-1252. Run it with QT_QPA_PLATFORM=offscreen: it
// opens the text in a text control to set the decision against.
//   bench_utf8 [MEGABYTES]
#include "editor/XMemo.h"
#include "editor/core/Search.h"
#include "platform/core/EncodedText.h"
#include "platform/core/Encoding.h"
#include "platform/core/TextFile.h"

#include <QApplication>
#include <QBuffer>
#include <QByteArray>
#include <QElapsedTimer>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

using encoding::TEncoding;

constexpr TFindOptions kDown = FindOptionBit(frDown);
constexpr TFindOptions kCase = FindOptionBit(frMatchCase);
constexpr TFindOptions kWord = FindOptionBit(frWholeWord);

QByteArray Repeat(const QByteArray &line, qint64 bytes)
{
    QByteArray text;
    text.reserve(bytes + line.size());
    while (text.size() < bytes)
        text += line;
    // Cut at a line end, so that no sequence is cut.
    text.truncate(text.lastIndexOf('\n', bytes - 1) + 1);
    return text;
}

// German prose: an umlaut every few words.
QByteArray Prose(qint64 bytes)
{
    return Repeat("Die Stra\xC3\x9F"
                  "e f\xC3\xBChrt \xC3\xBC"
                  "ber die Br\xC3\xBC"
                  "cke nach K\xC3\xB6ln, wo wir uns um "
                  "zehn Uhr am Bahnhof treffen wollten. Leider kam der Zug mit einer Versp\xC3\xA4tung von zwanzig "
                  "Minuten an, und so gingen wir zuerst in ein kleines Caf\xC3\xA9 in der Altstadt, um \xC3\xBC"
                  "ber "
                  "die Pl\xC3\xA4ne f\xC3\xBCr den n\xC3\xA4"
                  "chsten Tag zu sprechen.\n",
                  bytes);
}

// Dense German: a special character every 15 bytes, a third of them three
// bytes long (dashes, quotation marks, the euro sign).
QByteArray German(qint64 bytes)
{
    return Repeat("Gr\xC3\xBC\xC3\x9F"
                  "e aus K\xC3\xB6ln \xE2\x80\x93 \xE2\x80\x9EZitat\xE2\x80\x9C 15 \xE2\x82\xAC, "
                  "Lorem ipsum dolor sit amet, consectetur adipiscing elit, sed do Stra\xC3\x9F"
                  "e "
                  "\xC3\x84rger \xC3\xBC"
                  "ber 42.\r\n",
                  bytes);
}

// Russian prose: nearly every byte belongs to a two-byte sequence.
QByteArray Russian(qint64 bytes)
{
    return Repeat("\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82 \xD0\xB8\xD0\xB7 \xD0\x9C\xD0\xBE\xD1\x81"
                  "\xD0\xBA\xD0\xB2\xD1\x8B, \xD1\x81\xD0\xBB\xD0\xBE\xD0\xB2\xD0\xBE \xD0\xB7\xD0\xB0 "
                  "\xD1\x81\xD0\xBB\xD0\xBE\xD0\xB2\xD0\xBE\xD0\xBC.\n",
                  bytes);
}

double Ms(const QElapsedTimer &timer)
{
    return timer.nsecsElapsed() / 1e6;
}

// As the load reads: pieces of 1 MB, the line endings counted alongside.
double Detect(const char *what, const QByteArray &text)
{
    const qint64 piece = 1 << 20;
    double best = 1e9, bestEol = 1e9;
    TEncoding result = TEncoding::Cp1252;
    for (int round = 0; round < 3; ++round) {
        QElapsedTimer timer;
        timer.start();
        encoding::TEncodingDetector detector;
        for (qint64 at = 0; at < text.size(); at += piece)
            detector.Feed(text.constData() + at, std::size_t(std::min(piece, text.size() - at)));
        result = detector.Result(TEncoding::Cp1252);
        best = std::min(best, Ms(timer));
        timer.restart();
        textfile::TEolCounter counter;
        for (qint64 at = 0; at < text.size(); at += piece)
            counter.Feed(text.constData() + at, std::size_t(std::min(piece, text.size() - at)));
        bestEol = std::min(bestEol, Ms(timer));
    }
    std::printf("  %-34s %8.1f ms  -> %s (line endings alone: %.1f ms)\n", what, best,
                qPrintable(encoding::Name(result)), bestEol);
    return best;
}

// Opening the text in a text control, as a file is opened (best of two).
double Open(const QByteArray &text)
{
    double best = 1e9;
    for (int round = 0; round < 2; ++round) {
        TXMemo memo;
        QBuffer buffer;
        buffer.setData(text);
        buffer.open(QIODevice::ReadOnly);
        QElapsedTimer timer;
        timer.start();
        memo.ReadTextFromStream(buffer);
        best = std::min(best, Ms(timer));
    }
    return best;
}

double Search(const QByteArray &text, const QByteArray &pattern, TFindOptions options, TEncoding enc)
{
    const qint64 start = HasFindOption(options, frDown) ? 0 : text.size();
    QElapsedTimer timer;
    timer.start();
    const TSearchResult r = SearchBuffer(text.constData(), text.size(), start, 0, pattern, options, enc);
    const double ms = Ms(timer);
    if (r.Found())
        std::printf("  (unexpected match at %lld)\n", static_cast<long long>(r.position));
    return ms;
}

} // namespace

int main(int argc, char **argv)
{
    const qint64 megabytes = argc > 1 ? std::max(1LL, QByteArray(argv[1]).toLongLong()) : 100;
    const qint64 bytes = megabytes << 20;
    QApplication app(argc, argv);
    const QByteArray german = German(bytes);

    std::printf("deciding the encoding of %lld MB, read in pieces of 1 MB\n", static_cast<long long>(megabytes));
    Detect("ASCII", Repeat("Lorem ipsum dolor sit amet, consectetur adipiscing elit.\r\n", bytes));
    Detect("German UTF-8, prose", Prose(bytes));
    const double detectMs = Detect("German UTF-8, dense", german);
    const double openMs = Open(german);
    std::printf("  deciding dense German is %.1f %% of opening it in the text control (%.0f ms)\n",
                100.0 * detectMs / openMs, openMs);
    {
        const QByteArray russian = Russian(bytes);
        Detect("Russian UTF-8", russian);
    }
    {
        QByteArray late = german;
        late[late.size() - 10] = '\xE4';
        Detect("German UTF-8, a bad byte at the end", late);
    }

    {
        QElapsedTimer timer;
        timer.start();
        QByteArray cp1252;
        encodedtext::Utf8ToCp1252(german.constData(), std::size_t(german.size()), cp1252);
        const double toCp1252 = Ms(timer);
        timer.restart();
        const QByteArray back = encodedtext::Cp1252ToUtf8(cp1252.constData(), std::size_t(cp1252.size()));
        std::printf("rewriting %lld MB: UTF-8 -> 1252 %.1f ms, 1252 -> UTF-8 %.1f ms%s\n",
                    static_cast<long long>(megabytes), toCp1252, Ms(timer), back == german ? "" : " (DIFFERS)");
    }

    std::printf("search without a match in %lld MB of dense German UTF-8\n", static_cast<long long>(megabytes));
    struct
    {
        const char *what;
        QByteArray pattern;
        TFindOptions options;
    } const runs[] = {
        {"match case, down", "Quillon", TFindOptions(kDown | kCase)},
        {"any case, down", "Quillon", kDown},
        {"any case, umlaut word, down", "\xC3\xA4rgerlich", kDown},
        {"any case, common letters", "eiusmodx", kDown},
        {"any case, Greek", "\xCE\xBA\xCF\x8C\xCF\x83\xCE\xBC\xCE\xBF\xCF\x82", kDown},
        {"whole word, any case, down", "ipsu", TFindOptions(kDown | kWord)},
        {"any case, up", "Quillon", 0},
        {"whole word, any case, up", "ipsu", kWord},
    };
    for (const auto &run : runs)
        std::printf("  %-34s %8.1f ms\n", run.what, Search(german, run.pattern, run.options, TEncoding::Utf8));
    {
        const QByteArray russian = Russian(bytes);
        std::printf("  %-34s %8.1f ms\n", "any case, Cyrillic in Russian",
                    Search(russian, "\xD0\xBC\xD0\xB8\xD1\x80\xD0\xB0\xD0\xB6", kDown, TEncoding::Utf8));
        std::printf("  %-34s %8.1f ms\n", "any case, ASCII in Russian",
                    Search(russian, "Quillon", kDown, TEncoding::Utf8));
    }

    // The search of replace all as the user runs it from the dialog: one
    // "o" per 100-byte line, any case, in 100 MB; the same text read as
    // Windows-1252 for comparison.
    {
        QByteArray line = "-----o" + QByteArray(92, '-') + "\r\n";
        const QByteArray text = Repeat(line, bytes);
        QByteArray umlauts = "-----\xC3\xB6" + QByteArray(91, '-') + "\r\n";
        const QByteArray utext = Repeat(umlauts, bytes);
        const struct
        {
            const char *what;
            const QByteArray &text;
            QByteArray pattern;
            TEncoding enc;
        } replaceRuns[] = {
            {"1252, o -> 00", text, "o", TEncoding::Cp1252},
            {"UTF-8, o -> 00", text, "o", TEncoding::Utf8},
            {"UTF-8, \xC3\xB6 -> 00", utext, "\xC3\x96", TEncoding::Utf8},
        };
        for (const auto &run : replaceRuns) {
            QElapsedTimer timer;
            timer.start();
            const std::vector<qint64> found =
                ReplaceAllMatches(run.text.constData(), run.text.size(), 0, 0, run.pattern, kDown, run.enc);
            std::printf("replace all, finding %zu hits in %lld MB, %s: %.1f ms\n", found.size(),
                        static_cast<long long>(megabytes), run.what, Ms(timer));
        }
    }
    return 0;
}
