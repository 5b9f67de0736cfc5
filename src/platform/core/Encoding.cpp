#include "platform/core/Encoding.h"

#include "platform/core/Utf8.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace encoding {

namespace {

using utf8::Byte;

constexpr std::uint64_t kOnes = 0x0101010101010101ULL;
constexpr std::uint64_t kHighBits = 0x8080808080808080ULL;

inline std::uint64_t Load(const Byte *p)
{
    std::uint64_t v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

// Non-zero when one of the eight bytes is above 0x7F or, with `nul`, zero
// (a borrow from a zero byte can flag its neighbour too, never a clean word).
template <bool nul> inline std::uint64_t Special(std::uint64_t v)
{
    return nul ? ((v - kOnes) | v) & kHighBits : v & kHighBits;
}

enum class TStop { End, Truncated, Invalid };

struct TRun
{
    TStop stop;
    const Byte *at; // where it stopped: the end, the bad byte, the cut-off sequence
    bool multiByte;
};

// Checks the sequences in [p, end). Text is mostly ASCII, so whole blocks of
// plain bytes are passed over eight at a time; runs of two-byte sequences
// (Cyrillic, Greek) get a loop of their own. Pointer and flag are locals:
// bytes read through `const Byte *` may alias anything in memory, which
// would make every step store and reload them.
template <bool nul> TRun ScanRun(const Byte *p, const Byte *end)
{
    bool multiByte = false;
    const auto stopped = [&](TStop stop) { return TRun{stop, p, multiByte}; };
    while (p < end) {
        while (end - p >= 8) {
            // The lowest flagged byte is a real one (a borrow only runs
            // upwards from a zero byte), so the plain bytes below it go too.
            if (const std::uint64_t special = Special<nul>(Load(p))) {
                p += __builtin_ctzll(special) / 8;
                break;
            }
            p += 8;
            // A plain word: a plain stretch may follow, four words a step.
            // Each word is tested on its own: or-ing them would lose a NUL.
            while (end - p >= 32
                   && !(Special<nul>(Load(p)) | Special<nul>(Load(p + 8)) | Special<nul>(Load(p + 16))
                        | Special<nul>(Load(p + 24))))
                p += 32;
        }
        if (p == end)
            break;
        const Byte b = *p;
        if (b < 0x80) {
            if (nul && b == 0)
                return stopped(TStop::Invalid);
            ++p;
            continue;
        }
        while (end - p >= 2 && p[0] >= 0xC2 && p[0] < 0xE0 && utf8::IsContinuation(p[1])) {
            p += 2;
            multiByte = true;
        }
        if (p == end || *p < 0x80)
            continue;
        const utf8::TLead lead = utf8::LeadOf(*p);
        if (lead.length == 0)
            return stopped(TStop::Invalid);
        if (end - p < lead.length) {
            // Whatever is there must already fit, or waiting is pointless.
            if (end - p > 1 && (p[1] < lead.low || p[1] > lead.high))
                return stopped(TStop::Invalid);
            if (end - p > 2 && !utf8::IsContinuation(p[2]))
                return stopped(TStop::Invalid);
            return stopped(TStop::Truncated);
        }
        if (p[1] < lead.low || p[1] > lead.high || !utf8::IsContinuation(p[2])
            || (lead.length == 4 && !utf8::IsContinuation(p[3])))
            return stopped(TStop::Invalid);
        multiByte = true;
        p += lead.length;
    }
    return stopped(TStop::End);
}

} // namespace

QString Name(TEncoding encoding)
{
    return encoding == TEncoding::Utf8 ? QStringLiteral("UTF-8") : QStringLiteral("1252");
}

bool ParseName(const QString &value, TEncoding &out)
{
    const QString v = value.trimmed();
    if (v.compare(QLatin1String("UTF-8"), Qt::CaseInsensitive) == 0) {
        out = TEncoding::Utf8;
        return true;
    }
    if (v == QLatin1String("1252")) {
        out = TEncoding::Cp1252;
        return true;
    }
    return false;
}

void TEncodingDetector::Scan(const unsigned char *p, const unsigned char *end)
{
    const TRun run = ScanRun<true>(p, end);
    m_multiByte = m_multiByte || run.multiByte;
    switch (run.stop) {
    case TStop::End: break;
    case TStop::Invalid: m_invalid = true; break;
    case TStop::Truncated:
        m_pendingCount = int(end - run.at);
        std::memcpy(m_pending, run.at, size_t(m_pendingCount));
        break;
    }
}

void TEncodingDetector::Feed(const char *data, std::size_t length)
{
    // Once a byte has decided for Windows-1252, the rest need not be read.
    if (m_invalid || length == 0)
        return;
    const Byte *p = reinterpret_cast<const Byte *>(data);
    const Byte *end = p + length;
    if (m_pendingCount > 0) {
        // Complete the sequence cut off at the end of the last piece.
        const int need = utf8::LeadOf(m_pending[0]).length;
        const int take = int(std::min<std::size_t>(std::size_t(need - m_pendingCount), length));
        std::memcpy(m_pending + m_pendingCount, p, size_t(take));
        const int have = m_pendingCount + take;
        m_pendingCount = 0;
        p += take;
        const TStop stop = ScanRun<true>(m_pending, m_pending + have).stop;
        if (stop == TStop::Invalid) {
            m_invalid = true;
            return;
        }
        if (stop == TStop::Truncated) {
            m_pendingCount = have;
            return;
        }
        m_multiByte = true;
    }
    Scan(p, end);
}

TEncoding TEncodingDetector::Result(TEncoding asciiDefault) const
{
    if (m_invalid || m_pendingCount > 0)
        return TEncoding::Cp1252;
    return m_multiByte ? TEncoding::Utf8 : asciiDefault;
}

TEncoding Detect(const char *data, std::size_t length, TEncoding asciiDefault)
{
    TEncodingDetector detector;
    detector.Feed(data, length);
    return detector.Result(asciiDefault);
}

bool IsUtf8(const char *data, std::size_t length)
{
    const Byte *p = reinterpret_cast<const Byte *>(data);
    return ScanRun<false>(p, p + length).stop == TStop::End;
}

} // namespace encoding
