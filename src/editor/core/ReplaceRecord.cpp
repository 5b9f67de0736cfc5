#include "editor/core/ReplaceRecord.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace {

// An unchanged stretch longer than this ends a piece: it is left in place
// rather than copied out and back in.
constexpr qint64 kWidestCopiedGap = 4096;

} // namespace

TReplaceRecord::TReplaceRecord(std::vector<qint64> positions, QByteArray originals, qint64 m, QByteArray replacement)
    : m_positions(std::move(positions)),
      m_originals(std::move(originals)),
      m_m(m),
      m_replacement(std::move(replacement))
{
}

void TReplaceRecord::Apply(bool forward, const TRead &read, const TEdit &edit, qint64 piece) const
{
    const qint64 n = Count();
    if (n == 0)
        return;
    const qint64 r = m_replacement.size();
    const qint64 oldLength = forward ? m_m : r;
    const qint64 newLength = forward ? r : m_m;
    const auto gapAfter = [&](qint64 i) { return m_positions[size_t(i + 1)] - m_positions[size_t(i)] - m_m; };
    // The occurrences [a, end) of the piece that starts with a, and the
    // bytes it becomes.
    const auto pieceFrom = [&](qint64 a) {
        qint64 end = a + 1, size = newLength;
        while (end < n) {
            const qint64 gap = gapAfter(end - 1);
            if (gap > kWidestCopiedGap || size + gap + newLength > piece)
                break;
            size += gap + newLength;
            ++end;
        }
        return std::make_pair(end, size);
    };

    // No piece is larger than this, nor than all of them together: bounds
    // known without a pass over millions of occurrences.
    const qint64 all = n * newLength + (m_positions[size_t(n - 1)] - m_positions[0]);
    std::vector<char> buffer(size_t(std::max<qint64>(std::min(std::max(piece, newLength), all), 1)));

    for (qint64 a = 0; a < n;) {
        const auto [end, size] = pieceFrom(a);
        // Where occurrence i stands now: those before a are done already.
        const auto now = [&, a = a](qint64 i) { return m_positions[size_t(i)] + (forward ? a : i - a) * (r - m_m); };
        const qint64 from = now(a);
        const qint64 to = now(end - 1) + oldLength;
        const char *current = read(from, to - from);
        char *out = buffer.data();
        for (qint64 i = a; i < end; ++i) {
            const char *bytes = forward ? m_replacement.constData() : m_originals.constData() + i * m_m;
            std::memcpy(out, bytes, size_t(newLength));
            out += newLength;
            if (i + 1 < end) {
                const qint64 gap = gapAfter(i);
                std::memcpy(out, current + (now(i) + oldLength - from), size_t(gap));
                out += gap;
            }
        }
        edit(from, to, buffer.data(), size);
        a = end;
    }
}
