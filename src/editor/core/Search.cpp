#include "editor/core/Search.h"

#include "editor/core/Utf8Case.h"
#include "platform/core/Cp1252.h"
#include "platform/core/Utf8.h"

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
// pattern from their ends. Folded UTF-8 keeps the same scan: its folding
// never changes a character's length, so a match covers the pattern's bytes
// and each text byte has one key, that of its character folded.

namespace {

// Replace all tells how far it is after this many occurrences.
constexpr std::size_t kProgressEvery = 1 << 14;
// ... and after this many bytes searched, found or not.
constexpr qint64 kProgressBytes = 4 << 20;

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

// How the text's bytes are compared: byte for byte, Windows-1252 through its
// upper-case table, or UTF-8 folded character by character.
enum class TMode { Cp1252Exact, Cp1252Folded, Utf8Exact, Utf8Folded };

bool IsUtf8(TMode mode)
{
    return mode == TMode::Utf8Exact || mode == TMode::Utf8Folded;
}

constexpr std::array<Byte, 256> MakeAsciiLower()
{
    std::array<Byte, 256> table = MakeIdentity();
    for (int b = 'A'; b <= 'Z'; ++b)
        table[b] = Byte(b + 0x20);
    return table;
}
constexpr std::array<Byte, 256> kAsciiLower = MakeAsciiLower();

// A byte that is no part of a valid sequence stands for itself, as a
// character of its own that nothing else folds to and that is no letter.
constexpr char32_t kLoneByte = 0x110000;

// The characters a word is made of in UTF-8 for one search: the word
// characters and those of the pattern (or, folded, those that fold like one
// of them).
struct TUtf8Words
{
    bool asciiDelimiter[128] = {};
    std::vector<char32_t> pattern; // sorted, non-ASCII, folded when the search folds
    bool fold = false;

    bool Delimiter(char32_t c) const
    {
        if (c < 0x80)
            return asciiDelimiter[c];
        if (utf8case::IsWordCharacter(c))
            return false;
        return !std::binary_search(pattern.begin(), pattern.end(), fold && c < kLoneByte ? utf8case::Fold(c) : c);
    }
};

// Character at and before byte q of a UTF-8 text.
char32_t CharAt(const Byte *t, qint64 n, qint64 q)
{
    char32_t c = 0;
    return utf8::Decode(t + q, t + n, c) ? c : kLoneByte + t[q];
}

char32_t CharBefore(const Byte *t, qint64 n, qint64 q)
{
    const qint64 s = utf8::SequenceStart(t, n, q - 1);
    char32_t c = 0;
    return utf8::Decode(t + s, t + n, c) == q - s ? c : kLoneByte + t[q - 1];
}

bool CharStart(const Byte *t, qint64 n, qint64 q)
{
    return q == n || utf8::SequenceStart(t, n, q) == q;
}

struct TNeedle
{
    TMode mode;
    const Byte *map = nullptr;     // byte -> comparison key (not for Utf8Folded)
    std::vector<Byte> key;         // pattern as compared, in scan order
    std::vector<qsizetype> border; // border[k]: longest proper border of key[0..k)
    qsizetype m = 0;
    qsizetype anchor = 0;     // index into `key` of the byte to jump to
    bool anchored = true;     // false: no byte to jump to, read every byte
    bool anchorSet[256] = {}; // text bytes that can stand at the anchor
    Byte anchorBytes[2] = {0, 0};
    int anchorCount = 0;      // 0: more than two text bytes can
    bool delimiter[256] = {}; // Windows-1252
    TUtf8Words words;         // UTF-8

    TNeedle(const QByteArray &pattern, TMode mode, bool forward) : mode(mode)
    {
        m = pattern.size();
        const Byte *p = reinterpret_cast<const Byte *>(pattern.constData());
        std::vector<Byte> forwardKey(static_cast<size_t>(m));
        // For each byte of the pattern that ends a character: the text bytes
        // that can stand there in a match (Utf8Folded only).
        std::vector<std::vector<Byte>> enders(static_cast<size_t>(m));
        bool valid = true;
        if (mode == TMode::Utf8Folded) {
            for (qsizetype j = 0; j < m;) {
                char32_t c;
                const int len = utf8::Decode(p + j, p + m, c);
                if (len == 0) {
                    valid = false;
                    forwardKey[size_t(j)] = p[j];
                    ++j;
                    continue;
                }
                const char32_t f = utf8case::Fold(c);
                Byte folded[4];
                utf8::Encode(f, folded);
                std::copy(folded, folded + len, forwardKey.begin() + j);
                std::vector<Byte> &last = enders[size_t(j + len - 1)];
                for (char32_t u : utf8case::Unfold(f)) {
                    Byte bytes[4];
                    last.push_back(bytes[utf8::Encode(u, bytes) - 1]);
                }
                j += len;
            }
        } else {
            map = mode == TMode::Cp1252Folded ? cp1252::UpperTable() : kIdentity.data();
            for (qsizetype j = 0; j < m; ++j)
                forwardKey[size_t(j)] = map[p[j]];
        }
        key.resize(size_t(m));
        for (qsizetype j = 0; j < m; ++j)
            key[size_t(j)] = forwardKey[size_t(forward ? j : m - 1 - j)];

        border.assign(size_t(m) + 1, 0);
        qsizetype k = 0;
        for (qsizetype j = 1; j < m; ++j) {
            while (k > 0 && key[size_t(j)] != key[size_t(k)])
                k = border[size_t(k)];
            if (key[size_t(j)] == key[size_t(k)])
                ++k;
            border[size_t(j) + 1] = k;
        }

        ChooseAnchor(enders, valid, forward);
        if (!IsUtf8(mode)) {
            // Delimiters go by the pattern as typed, not as folded.
            for (int b = 0; b <= 32; ++b)
                delimiter[b] = true;
            delimiter[Byte('\\')] = delimiter[Byte('{')] = delimiter[Byte('}')] = true;
            for (qsizetype j = 0; j < m; ++j)
                delimiter[p[j]] = false;
        } else {
            words.fold = mode == TMode::Utf8Folded;
            std::vector<char32_t> chars;
            for (qsizetype j = 0; j < m;) {
                char32_t c;
                const int len = utf8::Decode(p + j, p + m, c);
                chars.push_back(len ? (words.fold ? utf8case::Fold(c) : c) : kLoneByte + p[j]);
                j += len ? len : 1;
            }
            for (char32_t c = 0; c < 0x80; ++c)
                words.asciiDelimiter[c] = !utf8case::IsWordCharacter(c);
            // ASCII folds only within ASCII, and only letters, which are
            // word characters anyway.
            for (char32_t c : chars) {
                if (c < 0x80)
                    words.asciiDelimiter[c] = false;
                else
                    words.pattern.push_back(c);
            }
            std::sort(words.pattern.begin(), words.pattern.end());
        }
    }

private:
    // The nearest rare byte wins: a far anchor makes each jump re-read more
    // of the text behind it.
    void ChooseAnchor(const std::vector<std::vector<Byte>> &enders, bool valid, bool forward)
    {
        int best = std::numeric_limits<int>::max();
        const qsizetype window = std::min<qsizetype>(m, 64);
        std::vector<Byte> bestBytes;
        for (qsizetype j = 0; j < window; ++j) {
            std::vector<Byte> candidates;
            if (mode != TMode::Utf8Folded) {
                for (int b = 0; b < 256; ++b)
                    if (map[b] == key[size_t(j)])
                        candidates.push_back(Byte(b));
            } else {
                // A match lines up with the pattern character by character
                // only when the pattern is whole UTF-8.
                const qsizetype f = forward ? j : m - 1 - j;
                if (!valid)
                    break;
                if (key[size_t(j)] < 0x80) {
                    for (int b = 0; b < 0x80; ++b)
                        if (kAsciiLower[b] == key[size_t(j)])
                            candidates.push_back(Byte(b));
                } else {
                    candidates = enders[size_t(f)];
                }
                std::sort(candidates.begin(), candidates.end());
                candidates.erase(std::unique(candidates.begin(), candidates.end()), candidates.end());
            }
            if (candidates.empty())
                continue;
            int cost = 0;
            for (Byte b : candidates)
                cost += Commonness(b);
            if (cost < best) {
                best = cost;
                anchor = j;
                bestBytes = candidates;
            }
        }
        if (bestBytes.empty()) {
            anchored = false;
            anchor = 0;
            return;
        }
        for (Byte b : bestBytes) {
            anchorSet[b] = true;
            if (anchorCount < 2)
                anchorBytes[anchorCount] = b;
            ++anchorCount;
        }
        if (anchorCount > 2)
            anchorCount = 0;
    }
};

// The comparison key of text byte i.
struct TByteReader
{
    const Byte *map;
    const Byte *t;
    Byte operator()(qint64 i) const { return map[t[i]]; }
};

// Folded UTF-8: byte i of the text's character that holds it, folded; a
// pure function of i, so the scan may start anywhere. The last character
// read is kept, its bytes being read one after the other.
struct TFoldReader
{
    const Byte *t;
    qint64 n;
    qint64 start = 0, end = 0;
    Byte folded[4] = {};

    Byte operator()(qint64 i)
    {
        if (i >= start && i < end)
            return folded[i - start];
        const Byte b = t[i];
        if (b < 0x80)
            return kAsciiLower[b];
        const qint64 s = utf8::SequenceStart(t, n, i);
        char32_t c;
        const int len = utf8::Decode(t + s, t + n, c);
        if (len == 0)
            return b;
        utf8::Encode(utf8case::Fold(c), folded);
        start = s;
        end = s + len;
        return folded[i - s];
    }
};

// Occurrences [q, q + m) inside [begin, end), lowest q first. Resumable: the
// replace-all loop keeps one scanner, so the memchr results it caches are
// not thrown away between matches (which would make it quadratic).
template <typename Reader> class TForwardScan
{
public:
    TForwardScan(const TNeedle &needle, Reader reader, const Byte *text, qint64 begin, qint64 end)
        : n(needle), read(reader), t(text), i(begin), end(end), anchorLimit(end - needle.m + 1 + needle.anchor)
    {
    }

    // Forget any partial match and go on reading at `at` (never backwards).
    void Restart(qint64 at)
    {
        i = at;
        k = 0;
    }

    template <typename Accept> qint64 Next(Accept accept)
    {
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
            const Byte c = read(i++);
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
    // Lowest a >= from where a text byte that can stand at the anchor
    // leaves room for a whole match, or -1.
    qint64 FindAnchor(qint64 from)
    {
        if (from >= anchorLimit)
            return -1;
        if (!n.anchored)
            return from;
        if (n.anchorCount == 0) {
            for (qint64 a = from; a < anchorLimit; ++a)
                if (n.anchorSet[t[a]])
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
    Reader read;
    const Byte *t;
    qint64 i; // next byte to read
    qint64 end;
    qint64 anchorLimit;
    qsizetype k = 0; // bytes of the key matched before t[i]
    qint64 cached[2] = {-1, -1};
};

// Occurrences [q, q + m) inside [begin, end), highest q first; the needle
// holds the pattern reversed.
template <typename Reader> class TBackwardScan
{
public:
    TBackwardScan(const TNeedle &needle, Reader reader, const Byte *text, qint64 begin, qint64 end)
        : n(needle), read(reader), t(text), i(end), begin(begin), anchorFloor(begin + needle.m - 1 - needle.anchor)
    {
    }

    // Forget any partial match; reading goes on below `at` (never above).
    void Restart(qint64 at)
    {
        i = at;
        k = 0;
    }

    template <typename Accept> qint64 Next(Accept accept)
    {
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
            const Byte c = read(--i);
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
    // Highest a <= upTo where a text byte that can stand at the anchor
    // leaves room for a whole match, or -1.
    qint64 FindAnchor(qint64 upTo)
    {
        if (upTo < anchorFloor)
            return -1;
        if (!n.anchored)
            return upTo;
        if (n.anchorCount == 0) {
            for (qint64 a = upTo; a >= anchorFloor; --a)
                if (n.anchorSet[t[a]])
                    return a;
            return -1;
        }
        qint64 best = anchorFloor - 1;
        for (int j = 0; j < n.anchorCount; ++j) {
            if (cached[j] > upTo)
                cached[j] = LastOf(n.anchorBytes[j], upTo);
            best = std::max(best, cached[j]);
        }
        return best >= anchorFloor ? best : -1;
    }

    // Highest a in [anchorFloor, upTo] with t[a] == b, or anchorFloor - 1.
    // A piece at a time: the address sanitizer checks all of memrchr's range
    // before the search, which made a backward search over 8 MB take minutes.
    qint64 LastOf(Byte b, qint64 upTo) const
    {
        constexpr qint64 kPiece = 64 << 10;
        for (qint64 top = upTo; top >= anchorFloor; top -= kPiece) {
            const qint64 from = std::max(anchorFloor, top - kPiece + 1);
            if (const void *hit = memrchr(t + from, b, size_t(top - from + 1)))
                return static_cast<const Byte *>(hit) - t;
        }
        return anchorFloor - 1;
    }

    const TNeedle &n;
    Reader read;
    const Byte *t;
    qint64 i; // t[i - 1] is the next byte to read
    qint64 begin;
    qint64 anchorFloor;
    qsizetype k = 0;
    qint64 cached[2] = {std::numeric_limits<qint64>::max(), std::numeric_limits<qint64>::max()};
};

// Where a match may lie and where a word begins and ends, in the text's
// encoding. In UTF-8 a match must begin and end between characters.
struct TRules
{
    const TNeedle &needle;
    const Byte *t;
    qint64 n;
    qint64 m;
    bool utf8;

    bool Whole(qint64 q) const { return !utf8 || (CharStart(t, n, q) && CharStart(t, n, q + m)); }
    bool DelimiterBefore(qint64 q) const
    {
        return utf8 ? needle.words.Delimiter(CharBefore(t, n, q)) : needle.delimiter[t[q - 1]];
    }
    bool DelimiterAt(qint64 q) const { return utf8 ? needle.words.Delimiter(CharAt(t, n, q)) : needle.delimiter[t[q]]; }
    bool WordAt(qint64 q) const { return Whole(q) && !DelimiterAt(q) && (q + m == n || DelimiterAt(q + m)); }
};

// Runs `body` with the scanner type the mode needs.
template <typename Body> auto WithReader(const TNeedle &needle, const Byte *t, qint64 n, Body body)
{
    if (needle.mode == TMode::Utf8Folded)
        return body(TFoldReader{t, n});
    return body(TByteReader{needle.map, t});
}

TMode ModeOf(TFindOptions options, encoding::TEncoding textEncoding)
{
    const bool exact = HasFindOption(options, frMatchCase);
    if (textEncoding == encoding::TEncoding::Cp1252)
        return exact ? TMode::Cp1252Exact : TMode::Cp1252Folded;
    return exact ? TMode::Utf8Exact : TMode::Utf8Folded;
}

// A selection from a caller may lie partly outside the text after an edit
// elsewhere; searching from the nearest valid place beats reading outside.
void ClampSelection(qint64 length, qint64 &selStart, qint64 &selLength)
{
    selStart = std::clamp<qint64>(selStart, 0, length);
    selLength = std::clamp<qint64>(selLength, 0, length - selStart);
}

} // namespace

TSearchResult SearchBuffer(const char *text, qint64 length, qint64 selStart, qint64 selLength,
                           const QByteArray &pattern, TFindOptions options, encoding::TEncoding textEncoding)
{
    const qint64 m = pattern.size();
    if (!text || length <= 0 || m == 0 || m > length)
        return {};
    ClampSelection(length, selStart, selLength);
    const bool down = HasFindOption(options, frDown);
    const bool wholeWord = HasFindOption(options, frWholeWord);
    const Byte *t = reinterpret_cast<const Byte *>(text);
    const TMode mode = ModeOf(options, textEncoding);
    const TNeedle needle(pattern, mode, down);
    const TRules rules{needle, t, length, m, IsUtf8(mode)};

    const qint64 q = WithReader(needle, t, length, [&](auto reader) -> qint64 {
        using Reader = decltype(reader);
        if (down) {
            const qint64 first = selStart + selLength;
            if (first > length - m)
                return -1;
            if (!wholeWord)
                return TForwardScan<Reader>(needle, reader, t, first, length).Next([&](qint64 at) {
                    return rules.Whole(at);
                });
            // Word starts strictly behind `first`: one that begins right at
            // the start position is passed over.
            return TForwardScan<Reader>(needle, reader, t, first + 1, length).Next([&](qint64 at) {
                return rules.WordAt(at) && rules.DelimiterBefore(at);
            });
        }
        if (selStart - m < 0)
            return -1;
        TBackwardScan<Reader> scan(needle, reader, t, 0, selStart);
        if (!wholeWord)
            return scan.Next([&](qint64 at) { return rules.Whole(at); });
        return scan.Next([&](qint64 at) { return rules.WordAt(at) && (at == 0 || rules.DelimiterBefore(at)); });
    });
    if (q < 0)
        return {};
    return {q, m};
}

std::vector<qint64> ReplaceAllMatches(const char *text, qint64 length, qint64 selStart, qint64 selLength,
                                      const QByteArray &pattern, TFindOptions options, encoding::TEncoding textEncoding,
                                      const std::function<void(qint64 position)> &progress,
                                      const std::function<void(const std::function<void()> &step)> &aside)
{
    std::vector<qint64> matches;
    const qint64 m = pattern.size();
    if (!text || length <= 0 || m == 0 || m > length)
        return matches;
    ClampSelection(length, selStart, selLength);
    const bool down = HasFindOption(options, frDown);
    const bool wholeWord = HasFindOption(options, frWholeWord);
    const Byte *t = reinterpret_cast<const Byte *>(text);
    const TMode mode = ModeOf(options, textEncoding);
    const TNeedle needle(pattern, mode, down);
    const TRules rules{needle, t, length, m, IsUtf8(mode)};
    const auto add = [&](qint64 q) {
        // Growing a long list copies it into fresh memory: 0.2 s for 64 MB.
        if (aside && matches.size() == matches.capacity())
            aside([&] { matches.reserve(std::max<std::size_t>(1024, 2 * matches.capacity())); });
        matches.push_back(q);
    };

    // Downwards the caret goes behind each replacement, and behind the caret
    // the text is still the original: each search is one on the original
    // from the end of the last match.
    //
    // Upwards the caret stays in front of each replacement, so no search
    // ever sees inserted text. The whole-word test of a match ending right
    // at the caret would look at the character standing there, but after a
    // replacement no match can end there: the replaced word began behind a
    // delimiter, and a pattern never ends in one (its characters are taken
    // out of the delimiters, and so is every character that folds onto one
    // of them). So the original character, read only on the first search,
    // is the right one.
    WithReader(needle, t, length, [&](auto reader) {
        using Reader = decltype(reader);
        if (down) {
            qint64 caret = selStart + selLength;
            qint64 resume = wholeWord ? caret + 1 : caret;
            // A window at a time while someone listens: a search that finds
            // little still tells how far it has come.
            const qint64 window = progress ? std::max(kProgressBytes, 2 * m) : length;
            for (;;) {
                const qint64 end = length - resume > window ? resume + window : length;
                TForwardScan<Reader> scan(needle, reader, t, resume, end);
                while (resume <= end - m) {
                    scan.Restart(resume);
                    const qint64 q =
                        !wholeWord
                            ? scan.Next([&](qint64 at) { return rules.Whole(at); })
                            : scan.Next([&](qint64 at) { return rules.WordAt(at) && rules.DelimiterBefore(at); });
                    if (q < 0)
                        break;
                    add(q);
                    caret = q + m;
                    resume = wholeWord ? caret + 1 : caret;
                    if (progress && matches.size() % kProgressEvery == 0)
                        progress(q);
                }
                if (end >= length)
                    break;
                progress(end);
                // A match across the window's end is found in the next one.
                resume = std::max(resume, end - m + 1);
            }
        } else {
            qint64 caret = selStart;
            const qint64 window = progress ? std::max(kProgressBytes, 2 * m) : length;
            for (;;) {
                const qint64 floor = caret > window ? caret - window : 0;
                TBackwardScan<Reader> scan(needle, reader, t, floor, caret);
                while (caret - m >= floor) {
                    scan.Restart(caret);
                    qint64 q;
                    if (!wholeWord)
                        q = scan.Next([&](qint64 at) { return rules.Whole(at); });
                    else
                        q = scan.Next(
                            [&](qint64 at) { return rules.WordAt(at) && (at == 0 || rules.DelimiterBefore(at)); });
                    if (q < 0)
                        break;
                    add(q);
                    caret = q;
                    if (progress && matches.size() % kProgressEvery == 0)
                        progress(length - q);
                }
                if (floor == 0)
                    break;
                progress(length - floor);
                // A match across the window's start is found in the next one.
                caret = std::min(caret, floor + m - 1);
            }
        }
        return 0;
    });
    return matches;
}

