#pragma once
// Case and words for searching UTF-8 text. Case goes by Unicode's simple case
// folding, limited to pairs whose two sides have the same length in UTF-8, so
// a match covers as many bytes as the pattern: Latin, Greek, Cyrillic,
// Armenian, Georgian and the other cased scripts fold; ß stays ß, and the few
// letters whose other case is longer or shorter (ſ, ẞ, the Kelvin sign, Ⱥ ...)
// match only themselves.
#include <vector>

namespace utf8case {

// The character all characters of its case class fold to (σ for Σ and ς).
char32_t Fold(char32_t c);

// Every character that folds to `folded`, itself included when it does.
std::vector<char32_t> Unfold(char32_t folded);

// Letters, combining marks, digits and other numbers, and the connectors
// such as "_": the characters whole words are made of.
bool IsWordCharacter(char32_t c);

} // namespace utf8case
