#pragma once
#include <QString>
#include <optional>

namespace inttext {

// The platform's standard conversion of text to a 32-bit integer, used for
// settings values and the line number alike: blanks around it, an optional
// sign, decimal digits or hexadecimal after "$" or "0x" (eight hex digits
// are a 32-bit pattern: "$FFFFFFFF" is -1, "-$10" is -16). Anything else,
// other characters or a value out of range included, is no integer.
std::optional<qint32> StrToInt(const QString &text);

} // namespace inttext
