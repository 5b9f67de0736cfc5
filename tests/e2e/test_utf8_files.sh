#!/usr/bin/env bash
# A UTF-8 file and a Windows-1252 file side by side: ä, € and Ctrl+2's „
# typed into each land in the file's own encoding, every other byte stays.
set -euo pipefail
QUILLON=$(readlink -f "$1")
source "$(dirname "$0")/lib.sh"
e2e_need_x "$@"

work=$(mktemp -d)
shots="${E2E_SCREENSHOT_DIR:-$work}"
trap 'e2e_stop "${pid:-}"; rm -rf "$work"' EXIT
export E2E_SHOT="$shots/utf8_files_fail.png"
utf8='Gr\xc3\xbc\xc3\x9fe aus K\xc3\xb6ln \xe2\x80\x93 \xe2\x80\x9eZitat\xe2\x80\x9c 15 \xe2\x82\xac\n'
cp1252='Gr\xfc\xdfe aus K\xf6ln \x96 \x84Zitat\x93 15 \x80\r\n'
printf "$utf8" > "$work/u.txt"
printf "$cp1252" > "$work/w.txt"
printf '[Options]\r\nNewFiles=1\r\n' > "$work/q.ini"
setxkbmap de
cd "$work"
"$QUILLON" -I q.ini u.txt w.txt &
pid=$!

# Types ä € „ at the start of the file in front and saves it (Datei > Sichern).
type_and_save() {
  xdotool key --delay 80 ctrl+Home adiaeresis EuroSign ctrl+2
  xdotool key --delay 150 alt+d s
  sleep 0.5
}

win=$(e2e_wait_window "w.txt : Quillon 32") || e2e_fail "no window"
xdotool windowfocus --sync "$win" 2>/dev/null || true
sleep 0.5
import -window root "$shots/utf8_files_1252.png"
type_and_save
e2e_expect_bytes "$work/w.txt" '\xe4\x80\x84'"$cp1252"

xdotool key --delay 150 ctrl+Tab
e2e_wait_window "u.txt : Quillon 32" >/dev/null || e2e_fail "u.txt did not come to the front"
sleep 0.5
import -window root "$shots/utf8_files_utf8.png"
type_and_save
e2e_expect_bytes "$work/u.txt" '\xc3\xa4\xe2\x82\xac\xe2\x80\x9e'"$utf8"
import -window root "$shots/utf8_files_typed.png"

xdotool key --delay 150 alt+d b
for _ in $(seq 1 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
kill -0 "$pid" 2>/dev/null && e2e_fail "the window did not close"
echo "ok"
