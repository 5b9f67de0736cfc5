#!/usr/bin/env python3
"""Build resources/fonts/Quillon1252.ttf, the editor's font for bytes 0x80-0x9F.

The editor shows a file's bytes through QScintilla in 8-bit mode, which hands
Qt each byte as the Latin-1 character of the same value. Bytes 0x80-0x9F thus
arrive as the C1 control code points U+0080-U+009F, which no ordinary font
draws. This font puts the Windows-1252 glyphs of those bytes (the euro sign,
typographic quotes, dashes, ...) at exactly those code points, and a hollow
rectangle at the five bytes Windows-1252 leaves undefined, so that the text
widget shows what Windows would. The application registers it and lets Qt
fall back to it for those code points only (src/platform/DisplayFont.cpp).

The glyphs are taken from DejaVu Serif (fonts-dejavu-core). The Bitstream
Vera licence lets modified fonts be distributed only under a name without
"Bitstream" or "Vera", so the family is renamed "Quillon 1252"; the licence
text goes next to the font as LICENSE-DejaVu.txt.

Re-run after changing this script (Debian 12):

    apt-get install fonts-dejavu-core python3-fonttools
    /usr/bin/python3 tools/make_cp1252_font.py

from the top of the source tree; it rewrites resources/fonts/Quillon1252.ttf
and resources/fonts/LICENSE-DejaVu.txt. --source picks another DejaVu face,
--output-dir another destination.
"""

import argparse
import os
import sys

from fontTools import subset
from fontTools.ttLib import TTFont
from fontTools.ttLib.tables._c_m_a_p import CmapSubtable

FAMILY = "Quillon 1252"
POSTSCRIPT_NAME = "Quillon1252"
FONT_FILE = "Quillon1252.ttf"
LICENSE_FILE = "LICENSE-DejaVu.txt"

DEFAULT_SOURCE = "/usr/share/fonts/truetype/dejavu/DejaVuSerif.ttf"
DEFAULT_COPYRIGHT = "/usr/share/doc/fonts-dejavu-core/copyright"

# What Windows-1252 means by bytes 0x80-0x9F; None where it means nothing.
CP1252_HIGH = [
    0x20AC, None, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, None, 0x017D, None,
    None, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, None, 0x017E, 0x0178,
]

# WHITE VERTICAL RECTANGLE: visibly "something is here" without claiming to
# be any real character.
UNDEFINED_MARK = 0x25AF

# Name IDs that carry the family's name and so must not say DejaVu or Vera
# any more. Copyright, trademark and licence records stay as the licence asks.
RENAMED_IDS = {1, 2, 3, 4, 5, 6, 16, 17, 18, 21, 22, 25}


def parse_args():
    here = os.path.dirname(os.path.abspath(__file__))
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--source", default=DEFAULT_SOURCE)
    parser.add_argument("--copyright", default=DEFAULT_COPYRIGHT,
                        help="Debian copyright file holding the licence text")
    parser.add_argument("--output-dir",
                        default=os.path.join(here, os.pardir, "resources", "fonts"))
    return parser.parse_args()


def subset_to(font, code_points):
    options = subset.Options()
    options.layout_features = []      # no kerning or ligatures among these
    options.hinting = False           # FreeType's autohinter does well enough
    options.glyph_names = False
    options.notdef_outline = True
    options.name_IDs = ["*"]
    options.name_languages = ["*"]
    options.drop_tables += ["DSIG", "FFTM", "GSUB", "GPOS", "GDEF", "kern", "hdmx",
                            "LTSH", "VDMX", "MATH", "gasp", "prep", "fpgm", "cvt "]
    subsetter = subset.Subsetter(options=options)
    subsetter.populate(unicodes=code_points)
    subsetter.subset(font)


def remap(font, glyph_of_code_point):
    """Replace the character map with one that holds only `glyph_of_code_point`."""
    subtables = []
    for platform_id, encoding_id in ((0, 3), (3, 1)):
        table = CmapSubtable.newSubtable(4)
        table.platformID = platform_id
        table.platEncID = encoding_id
        table.language = 0
        table.cmap = dict(glyph_of_code_point)
        subtables.append(table)
    font["cmap"].tables = subtables

    os2 = font["OS/2"]
    os2.usFirstCharIndex = min(glyph_of_code_point)
    os2.usLastCharIndex = max(glyph_of_code_point)
    # Latin-1 Supplement is the only Unicode block the font touches.
    os2.ulUnicodeRange1 = 1 << 1
    os2.ulUnicodeRange2 = os2.ulUnicodeRange3 = os2.ulUnicodeRange4 = 0
    # Latin 1 (code page 1252) is what the glyphs are for.
    os2.ulCodePageRange1 = 1 << 0
    os2.ulCodePageRange2 = 0


def rename(font, source_name):
    name = font["name"]
    name.names = [record for record in name.names if record.nameID not in RENAMED_IDS]
    version = font["head"].fontRevision
    values = {
        1: FAMILY,
        2: "Regular",
        3: "%s %.2f" % (POSTSCRIPT_NAME, version),
        4: FAMILY,
        5: "Version %.2f" % version,
        6: POSTSCRIPT_NAME,
    }
    for name_id, value in values.items():
        name.setName(value, name_id, 3, 1, 0x409)
        name.setName(value, name_id, 1, 0, 0)
    name.setName("Windows-1252 glyphs at U+0080-U+009F, made from %s." % source_name,
                 10, 3, 1, 0x409)
    for record in name.names:
        text = record.toUnicode()
        if record.nameID in RENAMED_IDS and ("DejaVu" in text or "Vera" in text):
            sys.exit("name %d still says %r" % (record.nameID, text))


def licence_text(copyright_path):
    """The 'Files: *' stanza of a Debian copyright file, as plain text."""
    with open(copyright_path, encoding="utf-8") as f:
        stanzas = f.read().split("\n\n")
    stanza = next(s for s in stanzas if s.startswith("Files: *"))
    lines = []
    for line in stanza.splitlines():
        if line.startswith(" "):
            line = line[1:]
            lines.append("" if line == "." else line.rstrip())
        else:
            lines.append(line.rstrip())
    header = ("%s (%s) is made from the DejaVu fonts by\n"
              "tools/make_cp1252_font.py and is covered by their licence:\n\n"
              % (FONT_FILE, FAMILY))
    return header + "\n".join(lines) + "\n"


def main():
    args = parse_args()
    # Keep the source's timestamps so that re-running yields the same bytes.
    font = TTFont(args.source, recalcTimestamp=False)
    source_name = font["name"].getDebugName(4) or os.path.basename(args.source)
    best = font.getBestCmap()

    wanted = [cp for cp in CP1252_HIGH if cp is not None] + [UNDEFINED_MARK]
    missing = [cp for cp in wanted if cp not in best]
    if missing:
        sys.exit("%s lacks U+%s" % (args.source, ", U+".join("%04X" % cp for cp in missing)))
    # Glyph names survive subsetting, code points do not matter after it.
    glyph_of_code_point = {
        0x80 + i: best[cp if cp is not None else UNDEFINED_MARK]
        for i, cp in enumerate(CP1252_HIGH)
    }

    subset_to(font, wanted)
    remap(font, glyph_of_code_point)
    rename(font, source_name)

    os.makedirs(args.output_dir, exist_ok=True)
    font_path = os.path.join(args.output_dir, FONT_FILE)
    font.save(font_path)
    with open(os.path.join(args.output_dir, LICENSE_FILE), "w", encoding="utf-8") as f:
        f.write(licence_text(args.copyright))

    check = TTFont(font_path)
    mapped = sorted(check.getBestCmap())
    if mapped != list(range(0x80, 0xA0)):
        sys.exit("unexpected character map: %s" % [hex(cp) for cp in mapped])
    print("%s: %d bytes, %d glyphs, family %r" % (
        os.path.normpath(font_path), os.path.getsize(font_path),
        len(check.getGlyphOrder()), check["name"].getDebugName(1)))


if __name__ == "__main__":
    main()
