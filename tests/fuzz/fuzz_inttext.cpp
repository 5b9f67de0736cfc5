// libFuzzer target for the integer conversion behind the go-to-line entry and
// the settings values: any text against a reference that reads the same
// grammar with a regular expression and Qt's own number parser, sharing no
// code with the real one.
#include "platform/core/IntText.h"

#include <QRegularExpression>
#include <QString>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>

namespace {

[[noreturn]] void Fail(const QString &text, const char *what, std::optional<qint32> got, std::optional<qint32> expected)
{
    std::fprintf(stderr, "%s for \"%s\": got %s%d, expected %s%d\n", what, text.toUtf8().constData(),
                 got ? "" : "none/", got.value_or(0), expected ? "" : "none/", expected.value_or(0));
    std::abort();
}

std::optional<qint32> Reference(const QString &text)
{
    static const QRegularExpression grammar(
        QStringLiteral("^[ \\t]*([+-]?)(?:(?:\\$|0[xX])([0-9a-fA-F]+)|([0-9]+))[ \\t]*\\z"));
    const QRegularExpressionMatch match = grammar.match(text);
    if (!match.hasMatch())
        return std::nullopt;
    const bool negative = match.captured(1) == QLatin1String("-");
    const bool hex = match.capturedLength(2) > 0;
    QString digits = match.captured(hex ? 2 : 3);
    // Leading zeros never change the value; without them the length alone
    // tells a number that does not fit.
    while (digits.size() > 1 && digits.front() == QLatin1Char('0'))
        digits.remove(0, 1);
    if (digits.size() > (hex ? 8 : 10))
        return std::nullopt;
    bool ok = false;
    const qulonglong value = digits.toULongLong(&ok, hex ? 16 : 10);
    if (!ok)
        return std::nullopt;
    if (hex) // a 32-bit pattern; the sign negates it modulo 2^32
        return qint32(quint32(negative ? 0u - quint32(value) : quint32(value)));
    if (value > (negative ? 2147483648ull : 2147483647ull))
        return std::nullopt;
    return qint32(negative ? -qint64(value) : qint64(value));
}

void Check(const QString &text)
{
    const std::optional<qint32> got = inttext::StrToInt(text);
    const std::optional<qint32> expected = Reference(text);
    if (got != expected)
        Fail(text, "StrToInt differs from the reference", got, expected);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    const char *bytes = reinterpret_cast<const char *>(data + 1);
    const auto length = qsizetype(size - 1);
    // UTF-16 units straight from the bytes now and then: the entry can hold
    // any character, lone surrogates included.
    QString text;
    switch (data[0] % 3) {
    case 0: text = QString::fromLatin1(bytes, length); break;
    case 1: text = QString::fromUtf8(bytes, length); break;
    default: text = QString(reinterpret_cast<const QChar *>(bytes), length / 2); break;
    }
    Check(text);

    // What it reads comes back from every spelling of the same number.
    if (const std::optional<qint32> value = inttext::StrToInt(text)) {
        const auto pattern = quint32(*value);
        const QString forms[] = {
            QString::number(*value),
            QStringLiteral(" \t+") + QString::number(*value).remove(QLatin1Char('-')),
            QStringLiteral("$") + QString::number(pattern, 16),
            QStringLiteral("0X") + QString::number(pattern, 16).toUpper() + QStringLiteral("\t "),
            QStringLiteral("-$") + QString::number(0u - pattern, 16),
        };
        for (qsizetype i = 0; i < qsizetype(std::size(forms)); ++i) {
            const std::optional<qint32> again = inttext::StrToInt(forms[i]);
            // The second form drops the sign, so it reads the magnitude
            // (none for the one negative number without a positive twin).
            const std::optional<qint32> want = i != 1 ? value
                                               : *value == INT32_MIN
                                                   ? std::nullopt
                                                   : std::optional<qint32>(*value < 0 ? -*value : *value);
            if (again != want)
                Fail(forms[i], "spelling of a number read back", again, want);
        }
    }
    return 0;
}
