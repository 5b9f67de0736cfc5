#pragma once
// The text control shows a file's bytes as Latin-1, so bytes 0x80-0x9F
// reach Qt as C1 control codes that no ordinary font draws. A small font
// of ours (resources/fonts/Quillon1252.ttf) holds the Windows-1252 glyphs
// at those code points; these functions make Qt fall back to it.
#include <QFont>

namespace displayfont {

// Registers our font with Qt; later calls do nothing. Call it before the
// first text control is shown.
void Install();

// `font` with our font behind it for U+0080-U+009F. The family name stays
// the same and every other character keeps its glyph. The fallback is
// tied to the family name, so a QFont made later from that name alone
// (as the text control makes its own) gets it as well.
QFont Prepare(const QFont &font);

} // namespace displayfont
