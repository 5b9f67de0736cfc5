#!/usr/bin/env python3
"""Writes the button-bar glyphs of Quillon 32 as XPM files.

Every glyph is drawn below as an ASCII pixel map.  The written XPM holds two
squares side by side: the left one is the normal look, the right one the
disabled look, derived from the left one the way classic toolbars did it:
every dark pixel becomes grey, with a white highlight one pixel down and to the
right; light pixels and the background become transparent.

Usage:  python3 tools/make_glyphs.py [output-dir]
        (default output dir: resources/glyphs next to this script's parent)
"""

import os
import sys

# The classic 16-colour palette; '.' is transparent.
PALETTE = {
    '.': None,
    'K': '#000000',  # black
    'r': '#800000',  # dark red
    'g': '#008000',  # dark green
    'o': '#808000',  # olive
    'n': '#000080',  # navy
    'p': '#800080',  # purple
    't': '#008080',  # teal
    's': '#C0C0C0',  # silver
    'd': '#808080',  # grey
    'R': '#FF0000',  # red
    'L': '#00FF00',  # lime
    'Y': '#FFFF00',  # yellow
    'B': '#0000FF',  # blue
    'F': '#FF00FF',  # fuchsia
    'A': '#00FFFF',  # aqua
    'W': '#FFFFFF',  # white
}

GLYPHS = {}

GLYPHS['NEWFILE'] = [
    "................",
    "..KKKKKKKK......",
    "..KWWWWWWKK.....",
    "..KWWWWWWKsK....",
    "..KWWWWWWKssK...",
    "..KWWWWWWKKKKK..",
    "..KWWWWWWWWWWK..",
    "..KWWWWWWWWWWK..",
    "..KWWWWWWWWWWK..",
    "..KWWWWWWWWWWK..",
    "..KWWWWWWWWWWK..",
    "..KWWWWWWWWWWK..",
    "..KWWWWWWWWWWK..",
    "..KWWWWWWWWWWK..",
    "..KKKKKKKKKKKK..",
    "................",
]

GLYPHS['OPENFILE'] = [
    "....................",
    ".............KKK....",
    "............K...K.K.",
    ".................KK.",
    "................KKK.",
    ".KKKK...............",
    "KWWWWK..............",
    "KWYYYWKKKKKKK.......",
    "KWYYYYYYYYYYK.......",
    "KWYYYYYYYYYYK.......",
    "KWYYYKKKKKKKKKKKKKK.",
    "KWYYKYYYYYYYYYYYYK..",
    "KWYKYYYYYYYYYYYYK...",
    "KWKYYYYYYYYYYYYK....",
    "KKYYYYYYYYYYYYK.....",
    "KYYYYYYYYYYYYK......",
    "KKKKKKKKKKKKK.......",
    "....................",
    "....................",
    "....................",
]

GLYPHS['SAVEFILE'] = [
    "....................",
    "....................",
    "..KKKKKKKKKKKKKKK...",
    "..KnWWWWWWWWWWWWnK..",
    "..KnWddddddddddWnK..",
    "..KnWWWWWWWWWWWWnK..",
    "..KnWddddddddddWnK..",
    "..KnWWWWWWWWWWWWnK..",
    "..KnWddddddddddWnK..",
    "..KnWWWWWWWWWWWWnK..",
    "..KnnnnnnnnnnnnnnK..",
    "..KnnssssssssssnnK..",
    "..KnnsnnsssssssnnK..",
    "..KnnsnnsssssssnnK..",
    "..KnnsnnsssssssnnK..",
    "..KnnsnnsssssssnnK..",
    "..KnnssssssssssnnK..",
    "..KKKKKKKKKKKKKKKK..",
    "....................",
    "....................",
]

GLYPHS['SAVEFILEAS'] = [
    "KKKKKKKKKKKKKKK.....",
    "KnWWWWWWWWWWWWnK....",
    "KnWddddddddddWnK....",
    "KnWWWWWWWWWWWWnK....",
    "KnWddddddddddWnK....",
    "KnWWWWWWWWWWWWnK....",
    "KnWddddddddddWnK....",
    "KnWWWWWWWWWWWWnKKK..",
    "KnnnnnnnnnnnnnnKFFK.",
    "KnnssssssssssnKFFFK.",
    "KnnsnnsssssssKsssK..",
    "KnnsnnssssssKYYoK...",
    "KnnsnnsssssKYYoK....",
    "KnnsnnssssKYYoKK....",
    "KnnssssssKYYoKnK....",
    "KKKKKKKKKYYoKKKK....",
    ".......KWWWK........",
    ".......KWK..........",
    "......KK............",
    "....................",
]

GLYPHS['PRINTFILE'] = [
    "................",
    "...KKKKKKKKK....",
    "...KWWWWWWWK....",
    "...KWddddWWK....",
    "...KWWWWWWWK....",
    "...KWddddddK....",
    ".KKKKKKKKKKKKKK.",
    ".KWWWWWWWWWWWsK.",
    ".KssssssssssLdK.",
    ".KsssssssssssdK.",
    ".KsKKKKKKKKKsdK.",
    ".KdKWWWWWWWKddK.",
    ".KKKWWWWWWWKKKK.",
    "...KWWWWWWWK....",
    "...KKKKKKKKK....",
    "................",
]

GLYPHS['CLOSEFILE'] = [
    "................",
    "..KKKKKKKK......",
    "..KWWWWWWKK.....",
    "..KWWWWWWKsK....",
    "..KWWWWWWKssK...",
    "..KWWWWWWKKKKK..",
    "..KWWWWWWWWWWK..",
    "..KWWWWWWWWWWK..",
    "..KWWWWWRRWWWRR.",
    "..KWWWWWRRRWRRR.",
    "..KWWWWWWRRRRR..",
    "..KWWWWWWWRRRK..",
    "..KWWWWWWRRRRR..",
    "..KWWWWWRRRKRRR.",
    "..KKKKKKRRKKKRR.",
    "................",
]

GLYPHS['COPYTEXT'] = [
    "KKKKKKK.........",
    "KWWWWWKK........",
    "KWnnnWKWK.......",
    "KWWWWWKKK.......",
    "KWnnnnnWK.......",
    "KWWWWWKKKKKKK...",
    "KWnnnnKWWWWWKK..",
    "KWWWWWKWnnnWKWK.",
    "KWnnnnKWWWWWKKK.",
    "KWWWWWKWnnnnnWK.",
    "KKKKKKKWWWWWWWK.",
    "......KWnnnnnWK.",
    "......KWWWWWWWK.",
    "......KWnnnnnWK.",
    "......KWWWWWWWK.",
    "......KKKKKKKKK.",
]

GLYPHS['CUTTEXT'] = [
    "................",
    "...K........K...",
    "...KK......KK...",
    "....KK....KK....",
    ".....KK..KK.....",
    "......KKKK......",
    ".......KK.......",
    "......KKKK......",
    ".....nn..nn.....",
    "..nnnn....nnnn..",
    ".nn..n....n..nn.",
    ".n...n....n...n.",
    ".n...n....n...n.",
    ".nn.nn....nn.nn.",
    "..nnn......nnn..",
    "................",
]

GLYPHS['PASTETEXT'] = [
    ".....KKKK.......",
    "....KssssK......",
    ".KKKKssssKKKK...",
    ".KoKKKKKKKKoK...",
    ".KooooooooooK...",
    ".KooooooKKKKKKKK",
    ".KooooooKWWWWWWK",
    ".KooooooKWnnnnWK",
    ".KooooooKWWWWWWK",
    ".KooooooKWnnnnWK",
    ".KooooooKWWWWWWK",
    ".KooooooKWnnnWWK",
    ".KooooooKWWWWWWK",
    ".KooooooKWnnnnWK",
    ".KKKKKKKKWWWWWWK",
    "........KKKKKKKK",
]

GLYPHS['FINDTEXT'] = [
    "................",
    "....KKKK........",
    "..KKAAAAKK......",
    "..KWWAAAAK......",
    ".KAWAAAAAAK.....",
    ".KAWAAAAAAK.....",
    ".KAAAAAAAAK.....",
    ".KAAAAAAAAK.....",
    "..KAAAAAAK......",
    "..KKAAAAKKK.....",
    "....KKKK.KKK....",
    "..........KKK...",
    "...........KKK..",
    "............KKK.",
    ".............KK.",
    "................",
]

GLYPHS['FINDAGAINTEXT'] = [
    "....KKKK........",
    "..KKAAAAKK......",
    "..KWWAAAAK......",
    ".KAWAAAAAAK.....",
    ".KAWAAAAAAK.....",
    ".KAAAAAAAAK.....",
    ".KAAAAAAAAK.....",
    "..KAAAAAAK......",
    "..KKAAAAKKK.....",
    "....KKKK.KKK....",
    "..........KKK...",
    "....B......KKK..",
    "....BB......KKK.",
    "BBBBBBB......KK.",
    "....BB..........",
    "....B...........",
]

GLYPHS['REPLACETEXT'] = [
    "....KKKK........",
    "...KAAAAK.......",
    "..KWWAAAAK......",
    "..KWAAAAAK......",
    "..KAAAAAAK......",
    "..KAAAAAAK......",
    "...KAAAAKK......",
    "....KKKKKKK.....",
    ".........KKK....",
    "..........KKK...",
    "................",
    ".nn.....R...n...",
    "...n....RR..nnn.",
    ".nnn.RRRRRR.n..n",
    "n..n....RR..n..n",
    ".nnn....R...nnn.",
]

GLYPHS['GOTO'] = [
    "................",
    ".......KKKKKKKK.",
    ".......KWWWWWWK.",
    ".......KWddddWK.",
    "....R..KWWWWWWK.",
    "....RR.KWddddWK.",
    "RRRRRRRKWWWWWWK.",
    "RRRRRRRKnnnnnnK.",
    "RRRRRRRKWWWWWWK.",
    "....RR.KWddddWK.",
    "....R..KWWWWWWK.",
    ".......KWddddWK.",
    ".......KWWWWWWK.",
    ".......KWddddWK.",
    ".......KKKKKKKK.",
    "................",
]

GLYPHS['UNDO'] = [
    "................",
    "................",
    "................",
    "....n...........",
    "...nn...........",
    "..nnn...........",
    ".nnnnnnnnnn.....",
    ".nnnnnnnnnnnn...",
    "..nnn.....nnnn..",
    "...nn.......nnn.",
    "....n.......nnn.",
    "............nnn.",
    "...........nnn..",
    ".........nnnn...",
    "......nnnnn.....",
    "................",
]

GLYPHS['FONT'] = [
    "................",
    ".......K........",
    "......KKK.......",
    "......KKK.......",
    ".....K.KKK......",
    ".....K.KKK......",
    "....K...KKK.....",
    "....KKKKKKK.....",
    "...K.....KKK....",
    "...K.....KKK....",
    "..K.......KKK...",
    ".KKK.....KKKKK..",
    "................",
    ".RRRRRRRRRRRRRR.",
    ".RRRRRRRRRRRRRR.",
    "................",
]

# Glyph square sizes (pixels); all others are 16.
SIZES = {'OPENFILE': 20, 'SAVEFILE': 20, 'SAVEFILEAS': 20}


def luminance(hexcol):
    r, g, b = (int(hexcol[i:i + 2], 16) for i in (1, 3, 5))
    return 0.299 * r + 0.587 * g + 0.114 * b


def disabled(rows):
    """Embossed grey look: dark pixels grey, white highlight at (+1, +1)."""
    n = len(rows)
    dark = {(y, x) for y, row in enumerate(rows) for x, ch in enumerate(row)
            if PALETTE[ch] is not None and luminance(PALETTE[ch]) < 140}
    out = [['.'] * n for _ in range(n)]
    for (y, x) in dark:
        if y + 1 < n and x + 1 < n:
            out[y + 1][x + 1] = 'W'
    for (y, x) in dark:
        out[y][x] = 'd'
    return [''.join(r) for r in out]


def check(name, rows):
    n = SIZES.get(name, 16)
    if len(rows) != n:
        raise SystemExit('%s: %d rows, want %d' % (name, len(rows), n))
    for i, row in enumerate(rows):
        if len(row) != n:
            raise SystemExit('%s: row %d has %d columns, want %d'
                             % (name, i, len(row), n))
        bad = set(row) - set(PALETTE)
        if bad:
            raise SystemExit('%s: row %d: unknown colours %s'
                             % (name, i, ''.join(sorted(bad))))


def xpm(name, rows):
    check(name, rows)
    both = [a + b for a, b in zip(rows, disabled(rows))]
    used = sorted({ch for row in both for ch in row})
    h, w = len(both), len(both[0])
    lines = ['/* XPM */',
             'static const char *const %s_xpm[] = {' % name.lower(),
             '"%d %d %d 1",' % (w, h, len(used))]
    for ch in used:
        col = PALETTE[ch]
        lines.append('"%s c %s",' % (ch, 'None' if col is None else col))
    lines += ['"%s",' % row for row in both[:-1]]
    lines.append('"%s"' % both[-1])
    lines.append('};')
    return '\n'.join(lines) + '\n'


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    outdir = (sys.argv[1] if len(sys.argv) > 1
              else os.path.join(here, os.pardir, 'resources', 'glyphs'))
    os.makedirs(outdir, exist_ok=True)
    for name, rows in GLYPHS.items():
        with open(os.path.join(outdir, name + '.xpm'), 'w') as f:
            f.write(xpm(name, rows))
    print('wrote %d glyphs to %s' % (len(GLYPHS), os.path.normpath(outdir)))


if __name__ == '__main__':
    main()
