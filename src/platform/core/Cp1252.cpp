#include "platform/core/Cp1252.h"

#include <array>

namespace cp1252 {

namespace {

// Only 0x80-0x9F differ from Latin-1. The holes keep their own value so
// that any byte survives a trip through Unicode and back.
constexpr char16_t kHigh[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, // 80
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F, // 88
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, // 90
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178, // 98
};

constexpr std::array<char16_t, 256> MakeToUnicode()
{
    std::array<char16_t, 256> table{};
    for (int b = 0; b < 256; ++b)
        table[b] = (b >= 0x80 && b < 0xA0) ? kHigh[b - 0x80] : char16_t(b);
    return table;
}

constexpr std::array<char16_t, 256> kToUnicode = MakeToUnicode();

// The 27 characters outside Latin-1 plus the five holes; everything else
// with a byte is its own byte. A switch keeps the common case (plain
// Latin-1) to two compares in the caller.
int FromSpecial(char32_t c)
{
    switch (c) {
    case 0x20AC: return 0x80;
    case 0x0081: return 0x81;
    case 0x201A: return 0x82;
    case 0x0192: return 0x83;
    case 0x201E: return 0x84;
    case 0x2026: return 0x85;
    case 0x2020: return 0x86;
    case 0x2021: return 0x87;
    case 0x02C6: return 0x88;
    case 0x2030: return 0x89;
    case 0x0160: return 0x8A;
    case 0x2039: return 0x8B;
    case 0x0152: return 0x8C;
    case 0x008D: return 0x8D;
    case 0x017D: return 0x8E;
    case 0x008F: return 0x8F;
    case 0x0090: return 0x90;
    case 0x2018: return 0x91;
    case 0x2019: return 0x92;
    case 0x201C: return 0x93;
    case 0x201D: return 0x94;
    case 0x2022: return 0x95;
    case 0x2013: return 0x96;
    case 0x2014: return 0x97;
    case 0x02DC: return 0x98;
    case 0x2122: return 0x99;
    case 0x0161: return 0x9A;
    case 0x203A: return 0x9B;
    case 0x0153: return 0x9C;
    case 0x009D: return 0x9D;
    case 0x017E: return 0x9E;
    case 0x0178: return 0x9F;
    default: return -1;
    }
}

inline int FromUnit(char32_t c)
{
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF))
        return int(c);
    return FromSpecial(c);
}

constexpr std::array<unsigned char, 256> MakeUpper()
{
    std::array<unsigned char, 256> table{};
    for (int b = 0; b < 256; ++b)
        table[b] = static_cast<unsigned char>(b);
    for (int b = 'a'; b <= 'z'; ++b)
        table[b] = static_cast<unsigned char>(b - 0x20);
    // × and ÷ sit among the letters without being letters; ß has no
    // capital in the code page, and ÿ's lives down at 0x9F.
    for (int b = 0xE0; b <= 0xFE; ++b)
        if (b != 0xF7)
            table[b] = static_cast<unsigned char>(b - 0x20);
    table[0x9A] = 0x8A;
    table[0x9C] = 0x8C;
    table[0x9E] = 0x8E;
    table[0xFF] = 0x9F;
    return table;
}

constexpr std::array<unsigned char, 256> kUpper = MakeUpper();

// Walks `text` once; every code point without a byte calls `missing`,
// which returns false to stop early.
template <typename Missing> void Encode(const QString &text, QByteArray &out, Missing missing)
{
    const qsizetype n = text.size();
    const char16_t *units = reinterpret_cast<const char16_t *>(text.constData());
    out.resize(n);
    char *dst = out.data();
    qsizetype written = 0;
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t u = units[i];
        const int b = FromUnit(u);
        if (b >= 0) {
            dst[written++] = char(b);
            continue;
        }
        // A pair stands for one character beyond the BMP, so it gets a
        // single replacement rather than two.
        if (u >= 0xD800 && u <= 0xDBFF && i + 1 < n && units[i + 1] >= 0xDC00 && units[i + 1] <= 0xDFFF)
            ++i;
        if (!missing(dst[written++]))
            break;
    }
    out.resize(written);
}

} // namespace

char16_t ToUnicode(unsigned char byte)
{
    return kToUnicode[byte];
}

int FromUnicode(char32_t codePoint)
{
    return FromUnit(codePoint);
}

QString ToQString(const char *bytes, std::size_t length)
{
    QString text(qsizetype(length), Qt::Uninitialized);
    char16_t *dst = reinterpret_cast<char16_t *>(text.data());
    const unsigned char *src = reinterpret_cast<const unsigned char *>(bytes);
    for (std::size_t i = 0; i < length; ++i)
        dst[i] = kToUnicode[src[i]];
    return text;
}

QString ToQString(const QByteArray &bytes)
{
    return ToQString(bytes.constData(), std::size_t(bytes.size()));
}

QByteArray FromQString(const QString &text, char replacement)
{
    QByteArray out;
    Encode(text, out, [replacement](char &slot) {
        slot = replacement;
        return true;
    });
    return out;
}

bool TryFromQString(const QString &text, QByteArray &out)
{
    bool ok = true;
    QByteArray bytes;
    Encode(text, bytes, [&ok](char &) {
        ok = false;
        return false;
    });
    if (ok)
        out = bytes;
    return ok;
}

unsigned char ToUpper(unsigned char byte)
{
    return kUpper[byte];
}

const unsigned char *UpperTable()
{
    return kUpper.data();
}

QByteArray WordCharacters()
{
    QByteArray chars;
    chars.reserve(160);
    for (int b = 0; b < 256; ++b) {
        const bool ascii = (b >= '0' && b <= '9') || (b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z') || b == '_';
        // ƒ Š Œ Ž š œ ž Ÿ, the ordinals ª º, µ, and Latin-1's letters
        // minus × and ÷.
        const bool high = b == 0x83 || b == 0x8A || b == 0x8C || b == 0x8E || b == 0x9A || b == 0x9C || b == 0x9E
                          || b == 0x9F || b == 0xAA || b == 0xB5 || b == 0xBA || (b >= 0xC0 && b != 0xD7 && b != 0xF7);
        if (ascii || high)
            chars.append(char(b));
    }
    return chars;
}

} // namespace cp1252
