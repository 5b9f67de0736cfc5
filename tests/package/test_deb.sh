#!/usr/bin/env bash
# Builds the Debian package from a build tree, unpacks it into a scratch root
# and checks what a user gets: the files, the dependencies, both manual pages
# and lintian's verdict.
# Usage: test_deb.sh BUILD_DIR VERSION
set -uo pipefail

build=$1
version=$2

for tool in cpack dpkg-deb dpkg-shlibdeps man; do
  if ! command -v "$tool" >/dev/null; then
    echo "SKIP: $tool is not installed (Debian packages cmake, dpkg-dev, man-db)"
    exit 77
  fi
done

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
failures=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

if ! cpack -G DEB --config "$build/CPackConfig.cmake" -B "$scratch/out" >"$scratch/cpack.log" 2>&1; then
  cat "$scratch/cpack.log"
  echo "FAIL: cpack could not build the package"
  exit 1
fi
deb="$scratch/out/quillon_${version}_$(dpkg --print-architecture).deb"
if [ ! -f "$deb" ]; then
  ls "$scratch/out"
  echo "FAIL: no package named $(basename "$deb")"
  exit 1
fi

# Control fields: what apt and the software centres show.
field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = quillon ] || fail "Package: $(field Package)"
[ "$(field Version)" = "$version" ] || fail "Version: $(field Version), wanted $version"
[ "$(field Section)" = editors ] || fail "Section: $(field Section)"
[ -n "$(field Maintainer)" ] || fail "no Maintainer"
depends=$(field Depends)
for lib in libqscintilla2-qt6- libqt6widgets6 libqt6gui6 libqt6core6 libqt6printsupport6 libqt6network6; do
  grep -q "$lib" <<<"$depends" || fail "Depends lacks $lib: $depends"
done
info=$(dpkg-deb -I "$deb")
grep -q '^ Depends: .*libqscintilla2-qt6' <<<"$info" || fail "dpkg-deb -I does not list QScintilla"

root="$scratch/root"
dpkg -x "$deb" "$root" || fail "dpkg -x failed"
for file in usr/bin/quillon \
            usr/share/applications/quillon.desktop \
            usr/share/icons/hicolor/scalable/apps/quillon.svg \
            usr/share/doc/quillon/html/index.html \
            usr/share/doc/quillon/html/befehlszeile.html \
            usr/share/doc/quillon/copyright \
            usr/share/doc/quillon/changelog.gz \
            usr/share/man/man1/quillon.1.gz \
            usr/share/man/de/man1/quillon.1.gz; do
  [ -f "$root/$file" ] || fail "missing /$file"
done
[ -x "$root/usr/bin/quillon" ] || fail "/usr/bin/quillon is not executable"

# The packaged program is stripped: it must still run and still carry the
# version resource the about box reads.
got=$("$root/usr/bin/quillon" --version 2>&1)
[ "$got" = "Quillon 32 $version" ] || fail "packaged quillon --version says: $got"
if command -v readelf >/dev/null; then
  sections=$(readelf -S "$root/usr/bin/quillon")
  grep -q '\.qversion' <<<"$sections" || fail "stripping lost the .qversion section"
fi

# Manual pages: rendered without a groff warning, every option described.
# Lines are joined, so that a phrase is found wherever the filling broke it.
check_page() {
  local page=$1; shift
  LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings=w -l "$page" >"$scratch/man.out" 2>"$scratch/man.err"
  if [ -s "$scratch/man.err" ]; then
    fail "warnings rendering $page:"
    cat "$scratch/man.err"
  fi
  local text
  text=$(tr -s ' \n' '  ' <"$scratch/man.out")
  [ -n "$text" ] || { fail "$page renders empty"; return; }
  for want in "$@"; do
    grep -qF -- "$want" <<<"$text" || fail "$page lacks \"$want\""
  done
}
common=(-I -P -OEM --help --version "Quillon 32 $version" quillon.ini
        XDG_CONFIG_HOME "Neue Dateien aufnehmen" XDG_RUNTIME_DIR)
check_page "$root/usr/share/man/man1/quillon.1.gz" "${common[@]}" OPTIONS FILES "SINGLE INSTANCE"
check_page "$root/usr/share/man/de/man1/quillon.1.gz" "${common[@]}" OPTIONEN DATEIEN "NUR EIN FENSTER"

if command -v lintian >/dev/null; then
  # Errors fail the test; warnings are shown for the record.
  lintian --fail-on error "$deb" 2>&1 | grep -v 'running with root privileges'
  [ "${PIPESTATUS[0]}" -eq 0 ] || fail "lintian reports errors"
else
  echo "NOTE: lintian is not installed; its check was left out"
fi

if [ "$failures" -ne 0 ]; then
  echo "$failures check(s) failed"
  exit 1
fi
echo "OK: $(basename "$deb")"
