#pragma once
// Where the caret goes for the blank jumps and for go to line, worked out
// on the text's bytes.
#include "platform/core/Encoding.h"

#include <QtGlobal>

namespace navigation {

// Ctrl+Alt+Right: directly before the next blank (space or tab) that does
// not stand at the caret; blanks at the caret are stepped over one by one,
// and with no further blank the caret stays behind them. The first look for
// a space starts behind the selection.
qint64 NextBlank(const char *text, qint64 length, qint64 selStart, qint64 selLength);

// Ctrl+Alt+Left: before the first blank of the nearest run of blanks
// (spaces and tabs mixed) before `caret`; `caret` when there is none.
qint64 PreviousBlank(const char *text, qint64 length, qint64 caret);

// Go to line: the caret for `column` (1-based) in the line that starts at
// `start` and is followed by a line at `next`. -1 for `start` means past the
// last line (the end of the text), -1 for `next` means the last line. A line
// break counts as one column, CR LF as well, so a caret past the end of a
// shorter line lands behind its text and never inside the pair. In UTF-8
// columns are characters and the caret lands between two of them.
qint64 LineCaret(const char *text, qint64 length, qint64 column, qint64 start, qint64 next,
                 encoding::TEncoding textEncoding = encoding::TEncoding::Cp1252);

// The 1-based column of `position` in the line that starts at `start`: bytes
// in Windows-1252, characters in UTF-8 (a byte that starts no valid sequence
// is a character of its own, as the screen shows it).
qint64 Column(const char *text, qint64 length, qint64 start, qint64 position,
              encoding::TEncoding textEncoding = encoding::TEncoding::Cp1252);

} // namespace navigation
