#pragma once
// A file's bytes as characters and back, in the file's encoding: for the
// screen, the printer, typing and the clipboard, and for rewriting a whole
// text from one encoding into the other.
#include "platform/core/Encoding.h"

#include <QByteArray>
#include <QString>
#include <cstddef>

namespace encodedtext {

using encoding::TEncoding;

// Bytes as text. UTF-8 that is not valid shows U+FFFD where it breaks.
QString ToQString(const char *bytes, std::size_t length, TEncoding encoding);
QString ToQString(const QByteArray &bytes, TEncoding encoding);

// Text as bytes; in Windows-1252 every character it cannot hold becomes
// `replacement`.
QByteArray FromQString(const QString &text, TEncoding encoding, char replacement = '?');

// The first character an encoding cannot hold: the character, its line
// (1-based; CR LF, LF and a lone CR each end a line) and where it starts
// (a byte offset for bytes, a UTF-16 index for a QString).
struct TUnholdable
{
    char32_t character = 0;
    qint64 line = 0;
    qint64 position = -1;
    bool Found() const { return position >= 0; }
};

// Text as bytes without losing a character: false, with the first one that
// has no byte in `missing`, when one cannot be held; `out` is set only on
// success.
bool TryFromQString(const QString &text, TEncoding encoding, QByteArray &out, TUnholdable *missing = nullptr);

// The byte the Windows-1252 keys (Ctrl+2 and the like) stand for, as the
// bytes of that character in `encoding`.
QByteArray Cp1252Character(unsigned char byte, TEncoding encoding);

// Rewrites Windows-1252 bytes as UTF-8; every byte has its character, so this
// never fails.
QByteArray Cp1252ToUtf8(const char *bytes, std::size_t length);

// Rewrites UTF-8 bytes as Windows-1252. A byte-order mark at the start is
// dropped: it marks the encoding being left. False, with the first character
// Windows-1252 has no byte for (U+FFFD for bytes that are no UTF-8) in
// `missing`, when one cannot be held; `out` is set only on success.
bool Utf8ToCp1252(const char *bytes, std::size_t length, QByteArray &out, TUnholdable *missing = nullptr);

// A character for a message: "„ł“ (U+0142)", or "U+0301" alone for combining
// marks, controls, blanks and the like, whose look says nothing.
QString Describe(char32_t character);

} // namespace encodedtext
