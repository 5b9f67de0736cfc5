#pragma once
// The program keeps a file's bytes as its characters; the screen, the
// keyboard and the clipboard speak Unicode. Windows-1252 is the bridge
// (Qt 6 has no codec for it).
#include <QByteArray>
#include <QString>
#include <cstddef>

namespace cp1252 {

// Unicode code point shown for a byte. The five bytes Windows-1252 leaves
// undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) map to the C1 code point of the
// same value, as the platform's own conversion does.
char16_t ToUnicode(unsigned char byte);

// The byte for a code point, or -1 when Windows-1252 cannot hold it.
int FromUnicode(char32_t codePoint);

QString ToQString(const char *bytes, std::size_t length);
QString ToQString(const QByteArray &bytes);

// Every character that has no byte becomes `replacement`.
QByteArray FromQString(const QString &text, char replacement = '?');

// True when every character of `text` has a byte; `out` gets the bytes.
bool TryFromQString(const QString &text, QByteArray &out);

// Upper case of a byte as the platform's ANSI upper-casing does it
// (ä -> Ä, ÿ -> Ÿ (0x9F), š -> Š, œ -> Œ, ž -> Ž; ß and µ stay).
unsigned char ToUpper(unsigned char byte);

// The 256-entry table behind ToUpper, for loops over large buffers.
const unsigned char *UpperTable();

// Letters of Windows-1252 (A-Z, a-z, digits and the accented letters and
// ligatures), used as word characters for double-click selection.
QByteArray WordCharacters();

} // namespace cp1252
