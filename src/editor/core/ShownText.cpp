#include "editor/core/ShownText.h"

#include "platform/core/Utf8.h"

#include <algorithm>
#include <utility>

namespace {

bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

} // namespace

TShownText::TShownText(QByteArray bytes, qint64 longest, qint64 piece, bool utf8) : m_bytes(std::move(bytes))
{
    const char *data = m_bytes.constData();
    const qint64 size = m_bytes.size();
    piece = std::max<qint64>(piece, 1);
    for (qint64 start = 0, line = 0;; ++line) {
        qint64 end = start;
        while (end < size && data[end] != '\n' && data[end] != '\r')
            ++end;
        if (end - start > longest)
            BreakLine(start, end, line, piece, utf8);
        if (end >= size)
            break;
        start = end + (data[end] == '\r' && end + 1 < size && data[end + 1] == '\n' ? 2 : 1);
    }
}

void TShownText::BreakLine(qint64 start, qint64 end, qint64 line, qint64 piece, bool utf8)
{
    const char *data = m_bytes.constData();
    const auto *bytes = reinterpret_cast<const utf8::Byte *>(data);
    for (qint64 from = start; end - from > piece;) {
        qint64 at = from + piece;
        for (qint64 b = at; b > from + piece / 2; --b) {
            if (IsBlank(data[b - 1])) {
                at = b;
                break;
            }
        }
        if (utf8) {
            const qint64 first = utf8::SequenceStart(bytes, m_bytes.size(), at);
            // A piece holds at least one character, whatever its size.
            at = first > from ? first : std::min(end, from + std::max<qint64>(1, utf8::LeadOf(bytes[from]).length));
        }
        m_breaks.push_back({at, line});
        from = at;
    }
}

std::vector<qint64> TShownText::Breaks() const
{
    std::vector<qint64> positions;
    positions.reserve(m_breaks.size());
    for (const TBreak &b : m_breaks)
        positions.push_back(b.real);
    return positions;
}

qint64 TShownText::BreaksUpTo(qint64 real) const
{
    return std::upper_bound(m_breaks.begin(), m_breaks.end(), real,
                            [](qint64 r, const TBreak &b) { return r < b.real; })
           - m_breaks.begin();
}

qint64 TShownText::BreaksBeforeLine(qint64 line) const
{
    return std::lower_bound(m_breaks.begin(), m_breaks.end(), line,
                            [](const TBreak &b, qint64 l) { return b.line < l; })
           - m_breaks.begin();
}

qint64 TShownText::ShownFromReal(qint64 real) const
{
    real = std::clamp<qint64>(real, 0, m_bytes.size());
    return real + BreaksUpTo(real);
}

qint64 TShownText::RealFromShown(qint64 shown) const
{
    // Break i stands at shown position real + i: rising, so it bisects.
    qint64 low = 0, high = BreakCount();
    while (low < high) {
        const qint64 middle = low + (high - low) / 2;
        if (m_breaks[std::size_t(middle)].real + middle < shown)
            low = middle + 1;
        else
            high = middle;
    }
    return std::clamp<qint64>(shown - low, 0, m_bytes.size());
}
