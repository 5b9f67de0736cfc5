#include "app/core/Settings.h"

#include "app/core/IniFile.h"

#include <algorithm>
#include <cstdlib>
#include <tuple>

namespace settings {

namespace {

const QString kWindow = QStringLiteral("Window");
const QString kFont = QStringLiteral("Font");
const QString kOptions = QStringLiteral("Options");
const QString kFiles = QStringLiteral("Files");
const QString kMargin = QStringLiteral("Margin");

// Every field, for comparing.
auto Fields(const TSettings &s)
{
    const TFontSettings &f = s.font;
    return std::tie(s.left, s.top, s.width, s.height, f.name, f.height, f.size, f.color, f.bold, f.italic, f.underline,
                    f.strikeOut, f.pitch, s.dragAccept, s.wordWrap, s.otherEditor, s.newFiles, s.defaultEncoding,
                    s.filter, s.leftMargin, s.rightMargin, s.topMargin, s.bottomMargin);
}

qint32 Position(const TIniFile &ini, const QString &key)
{
    const auto value = ini.ReadInteger(kWindow, key);
    return value && *value > -2147483647 ? *value : kNoPosition;
}

qint32 Extent(const TIniFile &ini, const QString &key)
{
    return std::max(ini.ReadInteger(kWindow, key, 0), 0);
}

TFontSettings ReadFont(const TIniFile &ini)
{
    TFontSettings font;
    font.name = ini.ReadString(kFont, QStringLiteral("Name"), QString()).left(255);
    // A size outside what a text can be shown in counts as none.
    const qint32 height = ini.ReadInteger(kFont, QStringLiteral("Height"), 0);
    if (const qint64 pixels = std::abs(qint64(height)); pixels >= kMinFontPixels && pixels <= kMaxFontPixels)
        font.height = height;
    if (const qint32 size = ini.ReadInteger(kFont, QStringLiteral("Size"), 0);
        size >= kMinFontPoints && size <= kMaxFontPoints)
        font.size = size;
    font.color = std::max(ini.ReadInteger(kFont, QStringLiteral("Color"), 0), 0);
    font.bold = ini.ReadBool(kFont, QStringLiteral("Bold"), false);
    font.italic = ini.ReadBool(kFont, QStringLiteral("Italic"), false);
    font.underline = ini.ReadBool(kFont, QStringLiteral("Underline"), false);
    font.strikeOut = ini.ReadBool(kFont, QStringLiteral("StrikeOut"), false);
    if (const qint32 pitch = ini.ReadInteger(kFont, QStringLiteral("Pitch"), 0); pitch == 1 || pitch == 2)
        font.pitch = pitch;
    return font;
}

} // namespace

QString DefaultFilter()
{
    return QStringLiteral("Text-Dateien (*.TXT)|*.TXT|Rest (*.*)|*.*");
}

void TSettings::Read(const TIniFile &ini)
{
    left = Position(ini, QStringLiteral("Left"));
    top = Position(ini, QStringLiteral("Top"));
    width = Extent(ini, QStringLiteral("Width"));
    height = Extent(ini, QStringLiteral("Height"));
    font = ReadFont(ini);
    dragAccept = ini.ReadBool(kOptions, QStringLiteral("DragAccept"), true);
    wordWrap = ini.ReadBool(kOptions, QStringLiteral("WordWrap"), true);
    otherEditor = ini.ReadString(kOptions, QStringLiteral("OtherEditor"), otherEditor);
    newFiles = ini.ReadBool(kOptions, QStringLiteral("NewFiles"), true);
    defaultEncoding = encoding::TEncoding::Cp1252;
    encoding::ParseName(ini.ReadString(kOptions, QStringLiteral("Encoding"), QString()), defaultEncoding);
    filter = ini.ReadString(kFiles, QStringLiteral("Filter"), DefaultFilter());
    leftMargin = ini.ReadInteger(kMargin, QStringLiteral("Left"), 10);
    rightMargin = ini.ReadInteger(kMargin, QStringLiteral("Right"), 10);
    topMargin = ini.ReadInteger(kMargin, QStringLiteral("Top"), 10);
    bottomMargin = ini.ReadInteger(kMargin, QStringLiteral("Bottom"), 10);
}

void TSettings::Write(TIniFile &ini) const
{
    ini.WriteInteger(kWindow, QStringLiteral("Left"), left);
    ini.WriteInteger(kWindow, QStringLiteral("Top"), top);
    ini.WriteInteger(kWindow, QStringLiteral("Width"), width);
    ini.WriteInteger(kWindow, QStringLiteral("Height"), height);
    ini.WriteString(kFont, QStringLiteral("Name"), font.name);
    ini.WriteInteger(kFont, QStringLiteral("Height"), font.height);
    ini.WriteInteger(kFont, QStringLiteral("Size"), font.size);
    ini.WriteInteger(kFont, QStringLiteral("Color"), font.color);
    ini.WriteBool(kFont, QStringLiteral("Bold"), font.bold);
    ini.WriteBool(kFont, QStringLiteral("Italic"), font.italic);
    ini.WriteBool(kFont, QStringLiteral("Underline"), font.underline);
    ini.WriteBool(kFont, QStringLiteral("StrikeOut"), font.strikeOut);
    ini.WriteInteger(kFont, QStringLiteral("Pitch"), font.pitch);
    ini.WriteBool(kOptions, QStringLiteral("DragAccept"), dragAccept);
    ini.WriteBool(kOptions, QStringLiteral("WordWrap"), wordWrap);
    ini.WriteString(kOptions, QStringLiteral("OtherEditor"), otherEditor);
    ini.WriteBool(kOptions, QStringLiteral("NewFiles"), newFiles);
    ini.WriteString(kOptions, QStringLiteral("Encoding"), encoding::Name(defaultEncoding));
    ini.WriteString(kFiles, QStringLiteral("Filter"), filter);
    ini.WriteInteger(kMargin, QStringLiteral("Left"), leftMargin);
    ini.WriteInteger(kMargin, QStringLiteral("Right"), rightMargin);
    ini.WriteInteger(kMargin, QStringLiteral("Top"), topMargin);
    ini.WriteInteger(kMargin, QStringLiteral("Bottom"), bottomMargin);
}

bool TSettings::operator==(const TSettings &other) const
{
    return Fields(*this) == Fields(other);
}

} // namespace settings
