#pragma once
// Reading and writing single UTF-8 sequences, strictly: overlong forms,
// surrogates and code points above U+10FFFF are no sequences. Inline because
// the detector, the conversions and the search call it once per character.
#include <cstddef>

namespace utf8 {

using Byte = unsigned char;

inline bool IsContinuation(Byte b)
{
    return (b & 0xC0) == 0x80;
}

// Length of the sequence a byte starts and the range its second byte must lie
// in (which is where overlong forms, surrogates and too large code points are
// refused); length 0 for a byte that starts none.
struct TLead
{
    Byte length;
    Byte low, high;
};

inline TLead LeadOf(Byte b)
{
    if (b < 0x80)
        return {1, 0, 0};
    if (b < 0xC2)
        return {0, 0, 0};
    if (b < 0xE0)
        return {2, 0x80, 0xBF};
    if (b == 0xE0)
        return {3, 0xA0, 0xBF};
    if (b == 0xED)
        return {3, 0x80, 0x9F};
    if (b < 0xF0)
        return {3, 0x80, 0xBF};
    if (b == 0xF0)
        return {4, 0x90, 0xBF};
    if (b < 0xF4)
        return {4, 0x80, 0xBF};
    if (b == 0xF4)
        return {4, 0x80, 0x8F};
    return {0, 0, 0};
}

// The sequence at `p` (never reading at or beyond `end`): its length and code
// point, or 0 when no whole valid sequence starts there.
inline int Decode(const Byte *p, const Byte *end, char32_t &codePoint)
{
    const Byte b = p[0];
    if (b < 0x80) {
        codePoint = b;
        return 1;
    }
    const TLead lead = LeadOf(b);
    if (lead.length == 0 || end - p < lead.length || p[1] < lead.low || p[1] > lead.high)
        return 0;
    char32_t c = b & (0x7F >> lead.length);
    for (int i = 1; i < lead.length; ++i) {
        if (!IsContinuation(p[i]))
            return 0;
        c = (c << 6) | (p[i] & 0x3F);
    }
    codePoint = c;
    return lead.length;
}

// Start of the valid sequence that holds byte `i` of `text`, or `i` itself
// when the byte starts one or belongs to none.
inline std::ptrdiff_t SequenceStart(const Byte *text, std::ptrdiff_t length, std::ptrdiff_t i)
{
    if (!IsContinuation(text[i]))
        return i;
    for (std::ptrdiff_t p = i - 1; p >= 0 && p >= i - 3; --p) {
        if (IsContinuation(text[p]))
            continue;
        char32_t c;
        const int n = Decode(text + p, text + length, c);
        return n > i - p ? p : i;
    }
    return i;
}

// Writes the sequence of a code point (at most 4 bytes); its length.
inline int Encode(char32_t c, Byte *out)
{
    if (c < 0x80) {
        out[0] = Byte(c);
        return 1;
    }
    if (c < 0x800) {
        out[0] = Byte(0xC0 | (c >> 6));
        out[1] = Byte(0x80 | (c & 0x3F));
        return 2;
    }
    if (c < 0x10000) {
        out[0] = Byte(0xE0 | (c >> 12));
        out[1] = Byte(0x80 | ((c >> 6) & 0x3F));
        out[2] = Byte(0x80 | (c & 0x3F));
        return 3;
    }
    out[0] = Byte(0xF0 | (c >> 18));
    out[1] = Byte(0x80 | ((c >> 12) & 0x3F));
    out[2] = Byte(0x80 | ((c >> 6) & 0x3F));
    out[3] = Byte(0x80 | (c & 0x3F));
    return 4;
}

inline int EncodedLength(char32_t c)
{
    return c < 0x80 ? 1 : c < 0x800 ? 2 : c < 0x10000 ? 3 : 4;
}

} // namespace utf8
