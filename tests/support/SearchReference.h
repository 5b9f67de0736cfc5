#pragma once
// A deliberately naive buffer search and replace-all, written straight from
// how a user would describe them: the unit tests and the fuzz target compare
// the real search against it.
#include "editor/core/Search.h"
#include "editor/core/Utf8Case.h"
#include "platform/core/Cp1252.h"

#include <QByteArray>
#include <QSet>
#include <QString>
#include <algorithm>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

namespace searchreference {

// Steps `pos` to the next word start in the search's direction (delimiters
// skipped, then the word's first position); false when none is left.
template <typename Delimiter> bool ToWordStart(qint64 &pos, qint64 n, qint64 last, bool down, const Delimiter &D)
{
    if (down) {
        while (pos < n && !D(pos))
            ++pos;
        while (pos < n && D(pos))
            ++pos;
        return pos <= last;
    }
    while (pos >= 0 && D(pos))
        --pos;
    if (pos < 0)
        return false;
    while (pos > 0 && !D(pos - 1))
        --pos;
    return true;
}

// The search as a user would describe it: walk the positions one by one,
// find the next word start by stepping over bytes, compare byte for byte.
// Slow on purpose, so that it shares nothing with the real scan.
struct TNaive
{
    QByteArray t;
    QByteArray p;
    bool down, matchCase, whole;
    bool delim[256];

    TNaive(const QByteArray &text, const QByteArray &pattern, TFindOptions o)
        : t(text),
          p(pattern),
          down(HasFindOption(o, frDown)),
          matchCase(HasFindOption(o, frMatchCase)),
          whole(HasFindOption(o, frWholeWord))
    {
        for (int c = 0; c < 256; ++c)
            delim[c] = c <= 32 || c == '\\' || c == '{' || c == '}';
        for (char c : p)
            delim[uchar(c)] = false;
    }

    bool D(qint64 i) const { return delim[uchar(t[i])]; }
    uchar Fold(char c) const { return matchCase ? uchar(c) : cp1252::ToUpper(uchar(c)); }

    qint64 Search(qint64 s, qint64 l) const
    {
        const qint64 n = t.size(), m = p.size();
        if (n == 0 || m == 0)
            return -1;
        s = std::clamp<qint64>(s, 0, n);
        l = std::clamp<qint64>(l, 0, n - s);
        const qint64 first = down ? s + l : s - m;
        const qint64 last = n - m;
        QByteArray folded;
        for (char c : p)
            folded += char(Fold(c));
        for (qint64 pos = first; down ? pos <= last : pos >= 0; pos += down ? 1 : -1) {
            if (whole && !ToWordStart(pos, n, last, down, [this](qint64 i) { return D(i); }))
                return -1;
            bool same = true;
            for (qint64 j = 0; j < m && same; ++j)
                same = Fold(t[pos + j]) == uchar(folded[j]);
            if (same && (!whole || pos + m == n || D(pos + m)))
                return pos;
        }
        return -1;
    }
};

// The same walk over the characters of valid UTF-8 text: positions are
// characters, case folds by utf8case::Fold, delimiters are what is no word
// character and none of the pattern's (folded, as the search folds).
struct TNaiveUtf8
{
    std::vector<char32_t> t, p; // folded unless matching case
    std::vector<qint64> offset; // byte offset of each character of the text, and the length
    bool down, whole;
    std::vector<bool> delim; // per character of the text
    qint64 bytes = 0;        // pattern length in bytes

    TNaiveUtf8(const QByteArray &text, const QByteArray &pattern, TFindOptions o)
        : down(HasFindOption(o, frDown)), whole(HasFindOption(o, frWholeWord)), bytes(pattern.size())
    {
        const bool fold = !HasFindOption(o, frMatchCase);
        const auto key = [fold](char32_t c) { return fold ? utf8case::Fold(c) : c; };
        qint64 at = 0;
        for (char32_t c : QString::fromUtf8(text).toUcs4()) {
            offset.push_back(at);
            at += c < 0x80 ? 1 : c < 0x800 ? 2 : c < 0x10000 ? 3 : 4;
            t.push_back(key(c));
        }
        offset.push_back(at);
        QSet<char32_t> own;
        for (char32_t c : QString::fromUtf8(pattern).toUcs4()) {
            p.push_back(key(c));
            own.insert(key(c));
        }
        for (char32_t c : t)
            delim.push_back(!utf8case::IsWordCharacter(c) && !own.contains(c));
    }

    // Index of the character that holds byte b (the count for the end).
    qint64 CharAtByte(qint64 b) const
    {
        return qint64(std::upper_bound(offset.begin(), offset.end(), b) - offset.begin()) - 1;
    }

    qint64 Search(qint64 s, qint64 l) const
    {
        const qint64 n = qint64(t.size()), m = qint64(p.size()), nb = offset.back();
        if (nb == 0 || m == 0)
            return -1;
        s = std::clamp<qint64>(s, 0, nb);
        l = std::clamp<qint64>(l, 0, nb - s);
        const auto D = [&](qint64 i) { return bool(delim[size_t(i)]); };
        qint64 pos;
        if (down) {
            pos = CharAtByte(s + l);
            if (!whole && offset[size_t(pos)] < s + l)
                ++pos; // a match begins between characters
        } else {
            if (s - bytes < 0)
                return -1;
            pos = CharAtByte(s - bytes);
        }
        const qint64 last = n - m;
        for (; down ? pos <= last : pos >= 0; pos += down ? 1 : -1) {
            if (whole && !ToWordStart(pos, n, last, down, D))
                return -1;
            if (pos > last)
                continue;
            bool same = true;
            for (qint64 j = 0; j < m && same; ++j)
                same = t[size_t(pos + j)] == p[size_t(j)];
            if (same && (!whole || pos + m == n || D(pos + m)))
                return offset[size_t(pos)];
        }
        return -1;
    }
};

// What the editor's replace all leaves, worked out from the occurrences it
// replaces, without touching the text: the bytes [from, to) of the text
// become `replacement`; the selection afterwards is (`selStart`,
// `selLength`); `count` replacements.
struct TReplaceAllResult
{
    qint64 from = 0;
    qint64 to = 0;
    QByteArray replacement;
    qint64 selStart = 0;
    qint64 selLength = 0;
    qint64 count = 0;
};

inline TReplaceAllResult ReplaceAll(const char *text, qint64 length, qint64 selStart, qint64 selLength,
                                    const QByteArray &pattern, const QByteArray &replacement, TFindOptions options,
                                    encoding::TEncoding textEncoding = encoding::TEncoding::Cp1252)
{
    TReplaceAllResult result;
    result.selStart = selStart;
    result.selLength = selLength;
    const std::vector<qint64> matches =
        ReplaceAllMatches(text, length, selStart, selLength, pattern, options, textEncoding);
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

// One match at a time on a real copy of the text, as the editor would do it
// with a text control: downwards the caret goes behind the replacement,
// upwards in front of it.
template <typename Naive = TNaive>
TReplaceAllResult NaiveReplaceAll(QByteArray &text, qint64 s, qint64 l, const QByteArray &pattern,
                                  const QByteArray &replacement, TFindOptions o)
{
    TReplaceAllResult r;
    r.selStart = s;
    r.selLength = l;
    qint64 pos = Naive(text, pattern, o).Search(s, l);
    while (pos >= 0) {
        text.replace(pos, pattern.size(), replacement);
        ++r.count;
        r.selStart = HasFindOption(o, frDown) ? pos + replacement.size() : pos;
        r.selLength = 0;
        pos = Naive(text, pattern, o).Search(r.selStart, 0);
    }
    return r;
}

// One random case of the differential tests, and how a failure names it.
struct TCase
{
    QByteArray text, pattern, replacement;
    qint64 selStart, selLength;
    TFindOptions options;
};

inline std::string Describe(const TCase &c)
{
    std::ostringstream out;
    out << "text \"" << c.text.toPercentEncoding().constData() << "\" pattern \""
        << c.pattern.toPercentEncoding().constData() << "\" replacement \""
        << c.replacement.toPercentEncoding().constData() << "\" selection " << c.selStart << "+" << c.selLength
        << " options " << c.options;
    return out.str();
}

} // namespace searchreference
