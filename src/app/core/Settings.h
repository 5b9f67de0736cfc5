#pragma once
// What the settings file holds, with the rules for values that are missing
// or unusable. The window fills one from itself to write it, and applies one
// that was read; neither side spells a key.
#include "platform/core/Encoding.h"

#include <QString>
#include <limits>

class TIniFile;

namespace settings {

// Font sizes a text can be read and drawn in; the font dialog offers up to
// 512 points.
constexpr int kMinFontPoints = 4;
constexpr int kMaxFontPoints = 512;
constexpr int kMinFontPixels = 5;
constexpr int kMaxFontPixels = 683;

// A window edge the file does not give: the profile functions' value for a
// missing key, and anything below -2147483646, is not a position.
constexpr qint32 kNoPosition = std::numeric_limits<qint32>::min();

QString DefaultFilter();

// The editor's font. Each field's "no value" leaves the font as it is.
struct TFontSettings
{
    QString name;      // empty: no value
    qint32 height = 0; // pixels, stored negative; 0: no value
    qint32 size = 0;   // points, applied after the height; 0: no value
    qint32 color = 0;  // red in the low byte; 0: no value
    // Styles only add: false never takes a style away.
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strikeOut = false;
    qint32 pitch = 0; // 1 variable, 2 fixed; 0: no value
};

struct TSettings
{
    // The window's place; kNoPosition and 0 leave it as it is.
    qint32 left = kNoPosition;
    qint32 top = kNoPosition;
    qint32 width = 0;
    qint32 height = 0;
    TFontSettings font;
    bool dragAccept = true;
    bool wordWrap = true;
    QString otherEditor;
    bool newFiles = true;
    // Of new files and of files of ASCII alone.
    encoding::TEncoding defaultEncoding = encoding::TEncoding::Cp1252;
    QString filter = DefaultFilter();
    // Print margins in millimetres; no bounds, 0 or less prints none.
    qint32 leftMargin = 10;
    qint32 rightMargin = 10;
    qint32 topMargin = 10;
    qint32 bottomMargin = 10;

    // Every field from the file: a missing or unusable value gives the
    // default above, except the other editor, which then keeps its value.
    void Read(const TIniFile &ini);
    // Every key, in the order the file has always had them.
    void Write(TIniFile &ini) const;

    bool operator==(const TSettings &other) const;
    bool operator!=(const TSettings &other) const { return !(*this == other); }
};

} // namespace settings
