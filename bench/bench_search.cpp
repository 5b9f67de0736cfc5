// Times the buffer search on large texts: a search that finds nothing in
// 100 MB (the worst case a user meets: the whole file is read), with and
// without case, as a whole word, upwards, with a pattern whose bytes are
// everywhere in the text, and with one that nearly matches at every byte;
// then a replace all of 100,000 one-byte hits by two bytes in 10 MB.
//   bench_search [MEGABYTES]
#include "editor/core/Search.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

constexpr TFindOptions kDown = FindOptionBit(frDown);
constexpr TFindOptions kCase = FindOptionBit(frMatchCase);
constexpr TFindOptions kWord = FindOptionBit(frWholeWord);

QByteArray Sample(qint64 bytes)
{
    // German-looking prose with Windows-1252 letters and CR LF line ends.
    const QByteArray line = "Lorem ipsum dolor sit amet, \x84"
                            "consectetur\x93 adipiscing elit, sed do "
                            "eiusmod tempor Stra\xDF"
                            "e \xC4rger \xFC"
                            "ber 42 \x80.\r\n";
    QByteArray text;
    text.reserve(bytes);
    while (text.size() < bytes)
        text += line;
    text.truncate(bytes);
    return text;
}

double Search(const QByteArray &text, const QByteArray &pattern, TFindOptions options, qint64 start)
{
    QElapsedTimer timer;
    timer.start();
    const TSearchResult r = SearchBuffer(text.constData(), text.size(), start, 0, pattern, options);
    const double ms = timer.nsecsElapsed() / 1e6;
    if (r.Found())
        std::printf("  (unexpected match at %lld)\n", static_cast<long long>(r.position));
    return ms;
}

} // namespace

int main(int argc, char **argv)
{
    const qint64 megabytes = argc > 1 ? std::max(1LL, QByteArray(argv[1]).toLongLong()) : 100;
    const QByteArray text = Sample(megabytes << 20);
    const qint64 n = text.size();
    std::printf("search without a match in %lld MB\n", static_cast<long long>(megabytes));

    struct
    {
        const char *what;
        QByteArray pattern;
        TFindOptions options;
    } const runs[] = {
        {"match case, down", "Quillon", TFindOptions(kDown | kCase)},
        {"any case, down", "Quillon", kDown},
        {"any case, common first byte", "eiusmodx", kDown},
        {"match case, common bytes only", "et ei", TFindOptions(kDown | kCase)},
        {"whole word, any case, down", "ipsu", TFindOptions(kDown | kWord)},
        {"whole word, match case, down", "dolo", TFindOptions(kDown | kWord | kCase)},
        {"any case, up", "Quillon", 0},
        {"whole word, any case, up", "ipsu", kWord},
    };
    for (const auto &run : runs) {
        const qint64 start = HasFindOption(run.options, frDown) ? 0 : n;
        std::printf("  %-32s %8.1f ms\n", run.what, Search(text, run.pattern, run.options, start));
    }

    // Every position matches all but the last byte of the pattern.
    {
        const QByteArray same(n, 'a');
        const QByteArray pattern = QByteArray(999, 'a') + 'e';
        std::printf("  %-32s %8.1f ms\n", "near miss at every byte",
                    Search(same, pattern, TFindOptions(kDown | kCase), 0));
    }

    // One byte that occurs nowhere else, spread evenly, 100,000 times.
    const qint64 replaceBytes = 10 << 20;
    QByteArray small = Sample(replaceBytes);
    const int hits = 100000;
    for (int i = 0; i < hits; ++i)
        small[qint64(i) * (replaceBytes / hits)] = '#';
    // The first round pays for fresh pages of memory, the second reuses them.
    for (TFindOptions options : {kDown, TFindOptions(0), kDown, TFindOptions(0)}) {
        QElapsedTimer timer;
        timer.start();
        const std::vector<qint64> found =
            ReplaceAllMatches(small.constData(), small.size(), options ? 0 : small.size(), 0, "#", options);
        const double ms = timer.nsecsElapsed() / 1e6;
        std::printf("replace all, finding %zu hits in 10 MB, %s: %.1f ms\n", found.size(), options ? "down" : "up",
                    ms);
    }
    return 0;
}
