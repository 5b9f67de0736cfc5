#pragma once
#include <QString>
#include <optional>

namespace inttext {

// The platform's standard conversion of text to a 32-bit integer: leading
// blanks, an optional sign, decimal digits or hexadecimal after "$" or
// "0x" (hexadecimal wraps into 32 bits: "$FFFFFFFF" is -1). Anything else,
// trailing characters or a decimal value out of range included, is no
// integer.
std::optional<qint32> StrToInt(const QString &text);

} // namespace inttext
