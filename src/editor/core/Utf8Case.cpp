#include "editor/core/Utf8Case.h"

#include "platform/core/Utf8.h"

#include <QChar>
#include <algorithm>
#include <array>
#include <utility>

namespace utf8case {

namespace {

char32_t FoldSlow(char32_t c)
{
    const char32_t f = QChar::toCaseFolded(c);
    return utf8::EncodedLength(f) == utf8::EncodedLength(c) ? f : c;
}

// Most text sits below U+0800; a table there keeps the search's inner loop
// away from Qt's property look-up.
std::array<char16_t, 0x800> MakeLowTable()
{
    std::array<char16_t, 0x800> table{};
    for (char32_t c = 0; c < 0x800; ++c)
        table[c] = char16_t(FoldSlow(c));
    return table;
}

// (folded, original) for every character that folds to another; cased
// scripts all lie in the first two planes.
std::vector<std::pair<char32_t, char32_t>> MakeReverse()
{
    std::vector<std::pair<char32_t, char32_t>> pairs;
    for (char32_t c = 0; c < 0x20000; ++c) {
        if (c >= 0xD800 && c <= 0xDFFF)
            continue;
        const char32_t f = Fold(c);
        if (f != c)
            pairs.emplace_back(f, c);
    }
    std::sort(pairs.begin(), pairs.end());
    return pairs;
}

} // namespace

char32_t Fold(char32_t c)
{
    static const std::array<char16_t, 0x800> low = MakeLowTable();
    return c < 0x800 ? low[c] : FoldSlow(c);
}

std::vector<char32_t> Unfold(char32_t folded)
{
    static const std::vector<std::pair<char32_t, char32_t>> reverse = MakeReverse();
    std::vector<char32_t> all;
    if (Fold(folded) == folded)
        all.push_back(folded);
    auto it = std::lower_bound(reverse.begin(), reverse.end(), std::make_pair(folded, char32_t(0)));
    for (; it != reverse.end() && it->first == folded; ++it)
        all.push_back(it->second);
    return all;
}

bool IsWordCharacter(char32_t c)
{
    if (c < 0x80)
        return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
    if (c > 0x10FFFF)
        return false;
    return QChar::isLetterOrNumber(c) || QChar::isMark(c) || QChar::category(c) == QChar::Punctuation_Connector;
}

} // namespace utf8case
