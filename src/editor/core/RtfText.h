#pragma once
// With the "PlainText" option off, files are stored as rich text. Only the
// characters matter to the editor: reading throws the formatting away,
// writing wraps the text in the simplest RTF other programs accept.
// Text here is bytes, one Windows-1252 character each.
#include <QByteArray>

namespace rtf {

// True when `data` begins with "{\rtf", allowing spaces, tabs, CR and LF
// before it: some tools add a blank line in front, and no plain text file
// a user means to keep as is starts that way. The check is case-sensitive
// because RTF control words are.
bool LooksLikeRtf(const QByteArray &data);

// Plain text of an RTF stream. Paragraph and line breaks become CR LF,
// \tab a tab, \'hh and \uN the character's byte (\uN without a byte keeps
// the fallback that follows it; under \uc0 it becomes '?'). Pictures,
// objects, tables of fonts, colours, styles and lists, document
// information, headers, footers, footnotes and every {\* ...} group are
// skipped. Table cells end in a tab, table rows and sections in CR LF.
//
// Returns false, leaving `text` as it was, when the data does not start
// with the "{\rtf" header (see LooksLikeRtf) or the header's control word
// is not exactly "rtf" (e.g. "{\rtfx"); the caller then treats the file as
// plain text. Everything after the header is accepted: a stream cut short
// (missing closing braces, \binN longer than the data, a lone backslash at
// the end) yields the text read so far, and whatever follows the brace
// closing the outer group is ignored, so there is no "too many braces".
//
// Runs in one pass with no recursion; nesting depth only costs memory when
// groups change \ucN, so any input, however deep, is safe.
bool ReadRtf(const QByteArray &data, QByteArray &text);

// RTF for `text` in one font (`fontFamily`, `pointSize` points; sizes
// outside 1..1638 become 10 or 1638). ReadRtf gives back exactly `text`
// whenever its line breaks are CR LF. A lone LF or a lone CR is written as a
// paragraph break as well, because other programs would not show it
// otherwise, so it comes back as CR LF. Tabs become \tab, bytes 0x20-0x7E
// stay (escaping \ { }), all others are written as \'hh, NUL included.
QByteArray WriteRtf(const QByteArray &text, const QByteArray &fontFamily, int pointSize);

} // namespace rtf
