#include "platform/core/IntText.h"

namespace inttext {

std::optional<qint32> StrToInt(const QString &text)
{
    const qsizetype size = text.size();
    const auto blank = [&](qsizetype i) { return text.at(i) == QLatin1Char(' ') || text.at(i) == QLatin1Char('\t'); };
    qsizetype i = 0;
    while (i < size && blank(i))
        ++i;
    qsizetype end = size;
    while (end > i && blank(end - 1))
        --end;
    bool negative = false;
    if (i < end && (text.at(i) == QLatin1Char('+') || text.at(i) == QLatin1Char('-'))) {
        negative = text.at(i) == QLatin1Char('-');
        ++i;
    }
    const bool hexDollar = i < end && text.at(i) == QLatin1Char('$');
    const bool hexPrefix = i + 1 < end && text.at(i) == QLatin1Char('0')
                           && (text.at(i + 1) == QLatin1Char('x') || text.at(i + 1) == QLatin1Char('X'));
    const int base = hexDollar || hexPrefix ? 16 : 10;
    i += hexDollar ? 1 : hexPrefix ? 2 : 0;
    if (i == end)
        return std::nullopt;
    // Hexadecimal is a 32-bit pattern ($FFFFFFFF is -1); decimal must fit.
    const quint64 limit = base == 16 ? 0xFFFFFFFFull : negative ? 2147483648ull : 2147483647ull;
    quint64 value = 0;
    for (; i < end; ++i) {
        const char16_t c = text.at(i).unicode();
        int digit;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (base == 16 && c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        else if (base == 16 && c >= 'A' && c <= 'F')
            digit = c - 'A' + 10;
        else
            return std::nullopt;
        value = value * quint64(base) + quint64(digit);
        if (value > limit)
            return std::nullopt;
    }
    if (base == 16) {
        const quint32 pattern = quint32(value);
        return qint32(negative ? 0u - pattern : pattern);
    }
    return negative ? qint32(-qint64(value)) : qint32(value);
}

} // namespace inttext
