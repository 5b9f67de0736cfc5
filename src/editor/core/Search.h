#pragma once
// The buffer search behind find, replace and the blank jumps: a plain scan
// over the text's bytes, forwards or backwards from the selection, with case
// folding and an optional whole-word rule in the text's encoding.
//
// In Windows-1252 a byte is a character and words end only at controls,
// blanks, "\", "{" and "}". In UTF-8 the pattern comes as UTF-8 bytes, a
// match never begins or ends inside a character, case folds as utf8case::Fold
// says, and words are made of the characters utf8case::IsWordCharacter names;
// in both, the characters of the pattern (and, in UTF-8 without match case,
// those that fold like them) count as word characters for that search.
#include "platform/core/Encoding.h"

#include <QByteArray>
#include <QtGlobal>
#include <functional>
#include <vector>

enum TFindOption {
    frDown = 0,
    frFindNext = 1,
    frHideMatchCase = 2,
    frHideWholeWord = 3,
    frHideUpDown = 4,
    frMatchCase = 5,
    frDisableMatchCase = 6,
    frDisableUpDown = 7,
    frDisableWholeWord = 8,
    frReplace = 9,
    frReplaceAll = 10,
    frWholeWord = 11,
    frShowHelp = 12
};
// Bit n = option n.
using TFindOptions = quint16;
constexpr TFindOptions FindOptionBit(TFindOption option)
{
    return TFindOptions(1u << option);
}
constexpr bool HasFindOption(TFindOptions options, TFindOption option)
{
    return options & FindOptionBit(option);
}

struct TSearchResult
{
    qint64 position = -1; // first byte of the match, -1 for none
    qint64 length = 0;    // bytes the match covers, 0 for none
    bool Found() const { return position >= 0; }
};

// Searches `text` (`length` bytes) for `pattern` from the selection
// (`selStart`, `selLength`): downwards behind the selection, upwards so that
// a match ends at or before the selection start. Never wraps around.
TSearchResult SearchBuffer(const char *text, qint64 length, qint64 selStart, qint64 selLength,
                           const QByteArray &pattern, TFindOptions options,
                           encoding::TEncoding textEncoding = encoding::TEncoding::Cp1252);

// The occurrences replace all replaces: search from the selection, replace
// the match, search again behind the inserted text (downwards) or before it
// (upwards), until nothing is found; the same as running SearchBuffer and
// replacing one match at a time, in one pass over the text. They come as
// positions in the text before any replacement, in the order they are
// replaced (ascending downwards, descending upwards). `progress`, when
// given, hears now and then where the search stands; `aside`, when given,
// runs the steps that grow the list of occurrences, so they can go where the
// window does not wait.
std::vector<qint64> ReplaceAllMatches(const char *text, qint64 length, qint64 selStart, qint64 selLength,
                                      const QByteArray &pattern, TFindOptions options,
                                      encoding::TEncoding textEncoding = encoding::TEncoding::Cp1252,
                                      const std::function<void(qint64 position)> &progress = {},
                                      const std::function<void(const std::function<void()> &step)> &aside = {});

