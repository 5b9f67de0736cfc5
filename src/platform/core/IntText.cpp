#include "platform/core/IntText.h"

namespace inttext {

std::optional<qint32> StrToInt(const QString &text)
{
    int i = 0;
    const int n = text.size();
    while (i < n && text.at(i) == QLatin1Char(' '))
        ++i;
    bool negative = false;
    if (i < n && (text.at(i) == QLatin1Char('-') || text.at(i) == QLatin1Char('+'))) {
        negative = text.at(i) == QLatin1Char('-');
        ++i;
    }
    int base = 10;
    if (i < n && text.at(i) == QLatin1Char('$')) {
        base = 16;
        ++i;
    } else if (i + 1 < n && text.at(i) == QLatin1Char('0')
               && (text.at(i + 1) == QLatin1Char('x') || text.at(i + 1) == QLatin1Char('X'))) {
        base = 16;
        i += 2;
    }
    if (i >= n)
        return std::nullopt;
    quint64 value = 0;
    for (; i < n; ++i) {
        const int digit = QChar(text.at(i)).isDigit() && text.at(i).unicode() < 128
            ? text.at(i).unicode() - '0'
            : (base == 16 && text.at(i).toLower().unicode() >= 'a' && text.at(i).toLower().unicode() <= 'f'
                   ? text.at(i).toLower().unicode() - 'a' + 10
                   : -1);
        if (digit < 0 || digit >= base)
            return std::nullopt;
        value = value * quint64(base) + quint64(digit);
        if (value > 0xFFFFFFFFull)
            return std::nullopt;
    }
    if (base == 16) {
        const auto wrapped = qint32(quint32(value));
        return negative ? qint32(0u - quint32(wrapped)) : wrapped;
    }
    if (negative ? value > 2147483648ull : value > 2147483647ull)
        return std::nullopt;
    return negative ? qint32(-qint64(value)) : qint32(value);
}

} // namespace inttext
