#include "editor/core/Search.h"

#include "platform/core/Cp1252.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <limits>
#include <vector>

// The scan is Knuth-Morris-Pratt over the (folded) bytes, so a text full of
// near misses still costs one pass. Where no partial match is pending, it
// jumps with memchr/memrchr to the next occurrence of the pattern's rarest
// byte (or of either case of it), which is what makes a miss over a large
// file cheap. Searching upwards is the same scan run over the text and the
// pattern from their ends.

namespace {

using Byte = unsigned char;

constexpr std::array<Byte, 256> MakeIdentity()
{
    std::array<Byte, 256> table{};
    for (int b = 0; b < 256; ++b)
        table[b] = Byte(b);
    return table;
}
constexpr std::array<Byte, 256> kIdentity = MakeIdentity();

// Rough frequency class of a byte in ordinary text; only used to pick the
// byte to jump to, so a poor guess costs time, never correctness.
int Commonness(Byte b)
{
    if (b == ' ' || b == '\n' || b == '\r' || b == '\t')
        return 9;
    if (b != 0 && std::strchr("etaoinsrhldcum", b))
        return 7;
    if (b >= 'a' && b <= 'z')
        return 5;
    if ((b >= '0' && b <= '9') || b == '.' || b == ',' || b == '-')
        return 4;
    if (b >= 'A' && b <= 'Z')
        return 3;
    return 1;
}

struct TNeedle
{
    const Byte *map = nullptr;  // byte -> comparison key
    std::vector<Byte> key;      // pattern through `map`, in scan order
    std::vector<qsizetype> border; // border[k]: longest proper border of key[0..k)
    qsizetype m = 0;
    qsizetype anchor = 0;       // index into `key` of the byte to jump to
    Byte anchorBytes[2] = {0, 0};
    int anchorCount = 0;        // 0: more than two raw bytes fold onto it
    bool delimiter[256] = {};

    TNeedle(const QByteArray &pattern, bool fold, bool forward)
    {
        map = fold ? cp1252::UpperTable() : kIdentity.data();
        m = pattern.size();
        const Byte *p = reinterpret_cast<const Byte *>(pattern.constData());
        key.resize(size_t(m));
        for (qsizetype j = 0; j < m; ++j)
            key[size_t(j)] = map[p[forward ? j : m - 1 - j]];

        border.assign(size_t(m) + 1, 0);
        qsizetype k = 0;
        for (qsizetype j = 1; j < m; ++j) {
            while (k > 0 && key[size_t(j)] != key[size_t(k)])
                k = border[size_t(k)];
            if (key[size_t(j)] == key[size_t(k)])
                ++k;
            border[size_t(j) + 1] = k;
        }

        int preimages[256];
        for (int c = 0; c < 256; ++c)
            preimages[c] = 0;
        for (int b = 0; b < 256; ++b)
            preimages[map[b]] += Commonness(Byte(b));
        // The nearest rare byte wins: a far anchor makes each jump re-read
        // more of the text behind it.
        int best = std::numeric_limits<int>::max();
        const qsizetype window = std::min<qsizetype>(m, 64);
        for (qsizetype j = 0; j < window; ++j) {
            if (preimages[key[size_t(j)]] < best) {
                best = preimages[key[size_t(j)]];
                anchor = j;
            }
        }
        for (int b = 0; b < 256; ++b) {
            if (map[b] != key[size_t(anchor)])
                continue;
            if (anchorCount < 2)
                anchorBytes[anchorCount] = Byte(b);
            ++anchorCount;
        }
        if (anchorCount > 2)
            anchorCount = 0;

        // Delimiters go by the pattern as typed, not as folded.
        for (int b = 0; b <= 32; ++b)
            delimiter[b] = true;
        delimiter[Byte('\\')] = delimiter[Byte('{')] = delimiter[Byte('}')] = true;
        for (qsizetype j = 0; j < m; ++j)
            delimiter[p[j]] = false;
    }
};

// Occurrences [q, q + m) inside [begin, end), lowest q first. Resumable: the
// replace-all loop keeps one scanner, so the memchr results it caches are
// not thrown away between matches (which would make it quadratic).
class TForwardScan
{
public:
    TForwardScan(const TNeedle &needle, const Byte *text, qint64 begin, qint64 end)
        : n(needle), t(text), i(begin), end(end), anchorLimit(end - needle.m + 1 + needle.anchor)
    {
    }

    // Forget any partial match and go on reading at `at` (never backwards).
    void Restart(qint64 at)
    {
        i = at;
        k = 0;
    }

    template <typename Accept>
    qint64 Next(Accept accept)
    {
        const Byte *map = n.map;
        const Byte *key = n.key.data();
        while (true) {
            if (k == 0) {
                const qint64 a = FindAnchor(i + n.anchor);
                if (a < 0)
                    return -1;
                i = a - n.anchor;
            }
            if (i >= end)
                return -1;
            const Byte c = map[t[i++]];
            while (k > 0 && key[k] != c)
                k = n.border[size_t(k)];
            if (key[k] == c)
                ++k;
            if (k == n.m) {
                k = n.border[size_t(k)];
                if (accept(i - n.m))
                    return i - n.m;
            }
        }
    }

private:
    // Lowest a >= from with map[t[a]] == key[anchor] that leaves room for a
    // whole match, or -1.
    qint64 FindAnchor(qint64 from)
    {
        if (from >= anchorLimit)
            return -1;
        if (n.anchorCount == 0) {
            const Byte want = n.key[size_t(n.anchor)];
            for (qint64 a = from; a < anchorLimit; ++a)
                if (n.map[t[a]] == want)
                    return a;
            return -1;
        }
        qint64 best = anchorLimit;
        for (int j = 0; j < n.anchorCount; ++j) {
            if (cached[j] < from) {
                const void *hit = std::memchr(t + from, n.anchorBytes[j], size_t(anchorLimit - from));
                cached[j] = hit ? static_cast<const Byte *>(hit) - t : anchorLimit;
            }
            best = std::min(best, cached[j]);
        }
        return best < anchorLimit ? best : -1;
    }

    const TNeedle &n;
    const Byte *t;
    qint64 i;       // next byte to read
    qint64 end;
    qint64 anchorLimit;
    qsizetype k = 0; // bytes of the key matched before t[i]
    qint64 cached[2] = {-1, -1};
};

// Occurrences [q, q + m) inside [begin, end), highest q first; the needle
// holds the pattern reversed.
class TBackwardScan
{
public:
    TBackwardScan(const TNeedle &needle, const Byte *text, qint64 begin, qint64 end)
        : n(needle), t(text), i(end), begin(begin), anchorFloor(begin + needle.m - 1 - needle.anchor)
    {
    }

    // Forget any partial match; reading goes on below `at` (never above).
    void Restart(qint64 at)
    {
        i = at;
        k = 0;
    }

    template <typename Accept>
    qint64 Next(Accept accept)
    {
        const Byte *map = n.map;
        const Byte *key = n.key.data();
        while (true) {
            if (k == 0) {
                const qint64 a = FindAnchor(i - 1 - n.anchor);
                if (a < 0)
                    return -1;
                i = a + n.anchor + 1;
            }
            if (i <= begin)
                return -1;
            const Byte c = map[t[--i]];
            while (k > 0 && key[k] != c)
                k = n.border[size_t(k)];
            if (key[k] == c)
                ++k;
            if (k == n.m) {
                k = n.border[size_t(k)];
                if (accept(i))
                    return i;
            }
        }
    }

private:
    // Highest a <= upTo with map[t[a]] == key[anchor] that leaves room for
    // a whole match, or -1.
    qint64 FindAnchor(qint64 upTo)
    {
        if (upTo < anchorFloor)
            return -1;
        if (n.anchorCount == 0) {
            const Byte want = n.key[size_t(n.anchor)];
            for (qint64 a = upTo; a >= anchorFloor; --a)
                if (n.map[t[a]] == want)
                    return a;
            return -1;
        }
        qint64 best = anchorFloor - 1;
        for (int j = 0; j < n.anchorCount; ++j) {
            if (cached[j] > upTo) {
                const void *hit = memrchr(t + anchorFloor, n.anchorBytes[j], size_t(upTo - anchorFloor + 1));
                cached[j] = hit ? static_cast<const Byte *>(hit) - t : anchorFloor - 1;
            }
            best = std::max(best, cached[j]);
        }
        return best >= anchorFloor ? best : -1;
    }

    const TNeedle &n;
    const Byte *t;
    qint64 i;       // t[i - 1] is the next byte to read
    qint64 begin;
    qint64 anchorFloor;
    qsizetype k = 0;
    qint64 cached[2] = {std::numeric_limits<qint64>::max(), std::numeric_limits<qint64>::max()};
};

// A selection from a caller may lie partly outside the text after an edit
// elsewhere; searching from the nearest valid place beats reading outside.
void ClampSelection(qint64 length, qint64 &selStart, qint64 &selLength)
{
    selStart = std::clamp<qint64>(selStart, 0, length);
    selLength = std::clamp<qint64>(selLength, 0, length - selStart);
}

} // namespace

TSearchResult SearchBuffer(const char *text, qint64 length, qint64 selStart, qint64 selLength,
                           const QByteArray &pattern, TFindOptions options)
{
    const qint64 m = pattern.size();
    if (!text || length <= 0 || m == 0 || m > length)
        return {};
    ClampSelection(length, selStart, selLength);
    const bool down = HasFindOption(options, frDown);
    const bool wholeWord = HasFindOption(options, frWholeWord);
    const Byte *t = reinterpret_cast<const Byte *>(text);
    const TNeedle needle(pattern, !HasFindOption(options, frMatchCase), down);
    const bool *d = needle.delimiter;
    const auto endsWord = [&](qint64 q) { return q + m == length || d[t[q + m]]; };

    qint64 q = -1;
    if (down) {
        const qint64 first = selStart + selLength;
        if (first > length - m)
            return {};
        if (!wholeWord) {
            q = TForwardScan(needle, t, first, length).Next([](qint64) { return true; });
        } else {
            // Word starts strictly behind `first`: one that begins right at
            // the start position is passed over.
            q = TForwardScan(needle, t, first + 1, length).Next([&](qint64 at) {
                return d[t[at - 1]] && !d[t[at]] && endsWord(at);
            });
        }
    } else {
        if (selStart - m < 0)
            return {};
        TBackwardScan scan(needle, t, 0, selStart);
        if (!wholeWord)
            q = scan.Next([](qint64) { return true; });
        else
            q = scan.Next([&](qint64 at) { return (at == 0 || d[t[at - 1]]) && !d[t[at]] && endsWord(at); });
    }
    if (q < 0)
        return {};
    return {q, m};
}

std::vector<qint64> ReplaceAllMatches(const char *text, qint64 length, qint64 selStart, qint64 selLength,
                                      const QByteArray &pattern, TFindOptions options)
{
    std::vector<qint64> matches;
    const qint64 m = pattern.size();
    if (!text || length <= 0 || m == 0 || m > length)
        return matches;
    ClampSelection(length, selStart, selLength);
    const bool down = HasFindOption(options, frDown);
    const bool wholeWord = HasFindOption(options, frWholeWord);
    const Byte *t = reinterpret_cast<const Byte *>(text);
    const TNeedle needle(pattern, !HasFindOption(options, frMatchCase), down);
    const bool *d = needle.delimiter;

    // Downwards the caret goes behind each replacement, and behind the caret
    // the text is still the original: each search is one on the original
    // from the end of the last match.
    //
    // Upwards the caret stays in front of each replacement, so no search
    // ever sees inserted text. The whole-word test of a match ending right
    // at the caret would look at the byte standing there, but after a
    // replacement no match can end there: the replaced word began behind a
    // delimiter, and a pattern never ends in one (its bytes are taken out of
    // the delimiters, and no other byte folds onto a delimiter). So the
    // original byte, read only on the first search, is the right one.
    if (down) {
        qint64 caret = selStart + selLength;
        TForwardScan scan(needle, t, caret, length);
        while (caret <= length - m) {
            qint64 q;
            if (!wholeWord) {
                scan.Restart(caret);
                q = scan.Next([](qint64) { return true; });
            } else {
                scan.Restart(caret + 1);
                q = scan.Next([&](qint64 at) {
                    return d[t[at - 1]] && !d[t[at]] && (at + m == length || d[t[at + m]]);
                });
            }
            if (q < 0)
                break;
            matches.push_back(q);
            caret = q + m;
        }
    } else {
        qint64 caret = selStart;
        TBackwardScan scan(needle, t, 0, caret);
        while (caret - m >= 0) {
            scan.Restart(caret);
            qint64 q;
            if (!wholeWord) {
                q = scan.Next([](qint64) { return true; });
            } else {
                q = scan.Next([&](qint64 at) {
                    return (at == 0 || d[t[at - 1]]) && !d[t[at]] && (at + m == length || d[t[at + m]]);
                });
            }
            if (q < 0)
                break;
            matches.push_back(q);
            caret = q;
        }
    }
    return matches;
}

TReplaceAllResult ReplaceAll(const char *text, qint64 length, qint64 selStart, qint64 selLength,
                             const QByteArray &pattern, const QByteArray &replacement, TFindOptions options)
{
    TReplaceAllResult result;
    result.selStart = selStart;
    result.selLength = selLength;
    const std::vector<qint64> matches = ReplaceAllMatches(text, length, selStart, selLength, pattern, options);
    if (matches.empty())
        return result;
    const bool down = HasFindOption(options, frDown);
    const qint64 m = pattern.size();
    const qint64 count = qint64(matches.size());
    const qint64 rLength = replacement.size();
    result.count = count;
    result.from = down ? matches.front() : matches.back();
    result.to = (down ? matches.back() : matches.front()) + m;
    result.replacement.resize(result.to - result.from + count * (rLength - m));
    char *out = result.replacement.data();
    qint64 written = 0, copied = result.from;
    // Text order: the last match found upwards is the first in the text.
    for (qint64 j = 0; j < count; ++j) {
        const qint64 q = matches[size_t(down ? j : count - 1 - j)];
        std::memcpy(out + written, text + copied, size_t(q - copied));
        written += q - copied;
        std::memcpy(out + written, replacement.constData(), size_t(rLength));
        written += rLength;
        copied = q + m;
    }
    result.selStart = down ? result.from + written : result.from;
    result.selLength = 0;
    return result;
}
