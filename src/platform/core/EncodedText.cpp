#include "platform/core/EncodedText.h"

#include "platform/core/Cp1252.h"
#include "platform/core/Utf8.h"

#include <QChar>
#include <array>
#include <cstdint>
#include <cstring>

namespace encodedtext {

namespace {

using utf8::Byte;

// Bytes below 0x80 in the eight at `p` (the loops copy ASCII in words).
inline bool AllAscii(const Byte *p)
{
    std::uint64_t v;
    std::memcpy(&v, p, sizeof v);
    return (v & 0x8080808080808080ULL) == 0;
}

// Lines before `position`, counted the way the text control counts them.
template <typename Unit> qint64 LineAt(const Unit *text, qint64 position)
{
    qint64 line = 1;
    for (qint64 i = 0; i < position; ++i) {
        if (text[i] == Unit('\n'))
            ++line;
        else if (text[i] == Unit('\r') && (i + 1 >= position || text[i + 1] != Unit('\n')))
            ++line;
    }
    return line;
}

// The UTF-8 bytes of each Windows-1252 byte: length, then up to 3 bytes.
std::array<std::array<Byte, 4>, 256> MakeUtf8Of1252()
{
    std::array<std::array<Byte, 4>, 256> table{};
    for (int b = 0; b < 256; ++b)
        table[b][0] = Byte(utf8::Encode(cp1252::ToUnicode(Byte(b)), table[b].data() + 1));
    return table;
}

} // namespace

QString ToQString(const char *bytes, std::size_t length, TEncoding encoding)
{
    if (encoding == TEncoding::Utf8)
        return QString::fromUtf8(bytes, qsizetype(length));
    return cp1252::ToQString(bytes, length);
}

QString ToQString(const QByteArray &bytes, TEncoding encoding)
{
    return ToQString(bytes.constData(), std::size_t(bytes.size()), encoding);
}

QByteArray FromQString(const QString &text, TEncoding encoding, char replacement)
{
    if (encoding == TEncoding::Utf8)
        return text.toUtf8();
    return cp1252::FromQString(text, replacement);
}

bool TryFromQString(const QString &text, TEncoding encoding, QByteArray &out, TUnholdable *missing)
{
    if (encoding == TEncoding::Utf8) {
        // Only a surrogate without its partner has no UTF-8.
        const char16_t *units = reinterpret_cast<const char16_t *>(text.constData());
        const qsizetype n = text.size();
        for (qsizetype i = 0; i < n; ++i) {
            const char16_t u = units[i];
            if (QChar::isHighSurrogate(u) && i + 1 < n && QChar::isLowSurrogate(units[i + 1])) {
                ++i;
            } else if (QChar::isSurrogate(u)) {
                if (missing)
                    *missing = {u, LineAt(units, i), i};
                return false;
            }
        }
        out = text.toUtf8();
        return true;
    }
    if (cp1252::TryFromQString(text, out))
        return true;
    if (missing) {
        const char16_t *units = reinterpret_cast<const char16_t *>(text.constData());
        for (qsizetype i = 0; i < text.size(); ++i) {
            char32_t c = units[i];
            if (QChar::isHighSurrogate(units[i]) && i + 1 < text.size() && QChar::isLowSurrogate(units[i + 1]))
                c = QChar::surrogateToUcs4(units[i], units[i + 1]);
            if (cp1252::FromUnicode(c) < 0) {
                *missing = {c, LineAt(units, i), i};
                break;
            }
            if (c > 0xFFFF)
                ++i;
        }
    }
    return false;
}

QByteArray Cp1252Character(unsigned char byte, TEncoding encoding)
{
    if (encoding == TEncoding::Cp1252)
        return QByteArray(1, char(byte));
    Byte out[4];
    const int n = utf8::Encode(cp1252::ToUnicode(byte), out);
    return QByteArray(reinterpret_cast<const char *>(out), n);
}

QByteArray Cp1252ToUtf8(const char *bytes, std::size_t length)
{
    static const std::array<std::array<Byte, 4>, 256> table = MakeUtf8Of1252();
    const Byte *src = reinterpret_cast<const Byte *>(bytes);
    // Sized exactly first: a text of 100 MB should not need 300 for a moment.
    std::size_t size = length;
    for (std::size_t i = 0; i < length; ++i)
        if (src[i] >= 0x80)
            size += std::size_t(table[src[i]][0] - 1);
    QByteArray out;
    out.resize(qsizetype(size));
    Byte *dst = reinterpret_cast<Byte *>(out.data());
    for (std::size_t i = 0; i < length; ++i) {
        while (i + 8 <= length && AllAscii(src + i)) {
            std::memcpy(dst, src + i, 8);
            dst += 8;
            i += 8;
        }
        if (i == length)
            break;
        const Byte b = src[i];
        if (b < 0x80) {
            *dst++ = b;
            continue;
        }
        const std::array<Byte, 4> &e = table[b];
        std::memcpy(dst, e.data() + 1, e[0]);
        dst += e[0];
    }
    return out;
}

bool Utf8ToCp1252(const char *bytes, std::size_t length, QByteArray &out, TUnholdable *missing)
{
    const Byte *src = reinterpret_cast<const Byte *>(bytes);
    const Byte *end = src + length;
    std::size_t i = 0;
    if (length >= 3 && src[0] == 0xEF && src[1] == 0xBB && src[2] == 0xBF)
        i = 3;
    QByteArray result;
    result.resize(qsizetype(length - i));
    char *dst = result.data();
    qsizetype written = 0;
    while (i < length) {
        while (i + 8 <= length && AllAscii(src + i)) {
            std::memcpy(dst + written, src + i, 8);
            written += 8;
            i += 8;
        }
        if (i == length)
            break;
        if (src[i] < 0x80) {
            dst[written++] = char(src[i++]);
            continue;
        }
        char32_t c;
        const int n = utf8::Decode(src + i, end, c);
        const int b = n > 0 ? cp1252::FromUnicode(c) : -1;
        if (b < 0) {
            if (missing)
                *missing = {n > 0 ? c : char32_t(0xFFFD), LineAt(src, qint64(i)), qint64(i)};
            return false;
        }
        dst[written++] = char(b);
        i += std::size_t(n);
    }
    result.resize(written);
    out = result;
    return true;
}

QString Describe(char32_t character)
{
    const QString code = QStringLiteral("U+%1").arg(uint(character), 4, 16, QLatin1Char('0')).toUpper();
    const QChar::Category category = QChar::category(character);
    const bool plain = character <= 0x10FFFF && !QChar::isSpace(character) && !QChar::isMark(character)
                       && category != QChar::Other_Control && category != QChar::Other_Format
                       && category != QChar::Other_Surrogate && category != QChar::Other_NotAssigned
                       && category != QChar::Other_PrivateUse;
    if (!plain)
        return code;
    return QStringLiteral("\u201E%1\u201C (%2)").arg(QString::fromUcs4(&character, 1), code);
}

} // namespace encodedtext
