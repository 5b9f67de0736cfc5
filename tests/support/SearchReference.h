#pragma once
// A deliberately naive buffer search and replace-all, written straight from
// how a user would describe them: the unit tests and the fuzz target compare
// the real search against it.
#include "editor/core/Search.h"
#include "platform/core/Cp1252.h"

#include <QByteArray>
#include <algorithm>

namespace searchreference {

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
        : t(text), p(pattern), down(HasFindOption(o, frDown)), matchCase(HasFindOption(o, frMatchCase)),
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
            if (whole) {
                if (down) {
                    while (pos < n && !D(pos))
                        ++pos;
                    while (pos < n && D(pos))
                        ++pos;
                    if (pos > last)
                        return -1;
                } else {
                    while (pos >= 0 && D(pos))
                        --pos;
                    if (pos < 0)
                        return -1;
                    while (pos > 0 && !D(pos - 1))
                        --pos;
                }
            }
            bool same = true;
            for (qint64 j = 0; j < m && same; ++j)
                same = Fold(t[pos + j]) == uchar(folded[j]);
            if (same && (!whole || pos + m == n || D(pos + m)))
                return pos;
        }
        return -1;
    }
};

// One match at a time on a real copy of the text, as the editor would do it
// with a text control: downwards the caret goes behind the replacement,
// upwards in front of it.
inline TReplaceAllResult NaiveReplaceAll(QByteArray &text, qint64 s, qint64 l, const QByteArray &pattern,
                                  const QByteArray &replacement, TFindOptions o)
{
    TReplaceAllResult r;
    r.selStart = s;
    r.selLength = l;
    qint64 pos = TNaive(text, pattern, o).Search(s, l);
    while (pos >= 0) {
        text.replace(pos, pattern.size(), replacement);
        ++r.count;
        r.selStart = HasFindOption(o, frDown) ? pos + replacement.size() : pos;
        r.selLength = 0;
        pos = TNaive(text, pattern, o).Search(r.selStart, 0);
    }
    return r;
}

} // namespace searchreference
