#!/usr/bin/env bash
# Makes the small Windows programs the version reader is tested on, with
# Debian's mingw-w64 binutils (binutils-mingw-w64-x86-64 and -i686):
#
#   version64.exe  PE32+ (x86-64) with a version resource among other resources
#   version32.exe  PE32 (i386) with the same resource
#   noversion.exe  PE32+ with resources but none of type version
#
# The results are checked in; run this again only to change them.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

cat >"$work/entry.s" <<'ASM'
    .text
    .globl start
start:
    ret
ASM

# Two string tables, the second one for American English, and resources of
# other types around the version resource so that the reader has to pick.
cat >"$work/version.rc" <<'RC'
LANGUAGE 0x07, 0x01
100 RCDATA { "payload before the version" }
200 RCDATA { "payload after" }
PLAINTYPE SAMPLE { "a named type" }

1 VERSIONINFO
FILEVERSION 2,5,7,11
PRODUCTVERSION 3,0,65535,1
FILEFLAGSMASK 0x3f
FILEFLAGS 0x0
FILEOS 0x40004
FILETYPE 0x1
FILESUBTYPE 0x0
BEGIN
    BLOCK "StringFileInfo"
    BEGIN
        BLOCK "040704E4"
        BEGIN
            VALUE "CompanyName", "Prüffirma GmbH\0"
            VALUE "FileDescription", "Kleines Testprogramm\0"
            VALUE "FileVersion", "2.5.7.11\0"
            VALUE "LegalCopyright", "© Prüffirma\0"
            VALUE "OriginalFilename", "version.exe\0"
            VALUE "Comments", ""
        END
        BLOCK "040904B0"
        BEGIN
            VALUE "CompanyName", "Test company\0"
        END
    END
    BLOCK "VarFileInfo"
    BEGIN
        VALUE "Translation", 0x407, 1252, 0x409, 1200
    END
END
RC

cat >"$work/other.rc" <<'RC'
100 RCDATA { "no version here" }
RC

rc() { # target rc-file object
    "$1-windres" --preprocessor=cpp -c 65001 -O coff -i "$2" -o "$3"
}
link() { # target output objects...
    local target=$1 out=$2
    shift 2
    "$target-ld" -e start --subsystem console -o "$out" "$@"
    "$target-strip" "$out"
}

x64=x86_64-w64-mingw32
x86=i686-w64-mingw32
"$x64-as" -o "$work/entry64.o" "$work/entry.s"
"$x86-as" -o "$work/entry32.o" "$work/entry.s"
rc $x64 "$work/version.rc" "$work/version64.res.o"
rc $x86 "$work/version.rc" "$work/version32.res.o"
rc $x64 "$work/other.rc" "$work/other64.res.o"
link $x64 "$here/version64.exe" "$work/entry64.o" "$work/version64.res.o"
link $x86 "$here/version32.exe" "$work/entry32.o" "$work/version32.res.o"
link $x64 "$here/noversion.exe" "$work/entry64.o" "$work/other64.res.o"
ls -l "$here"/*.exe
