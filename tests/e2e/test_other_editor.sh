#!/usr/bin/env bash
# Hands a changed file to another editor program: the file is saved, its tab
# closes, and the program gets the full name as one argument, with no shell
# in between (a name with blanks, ";" and "$( )" runs nothing).
set -euo pipefail
QUILLON=$(readlink -f "$1")
source "$(dirname "$0")/lib.sh"
e2e_need_x "$@"

work=$(mktemp -d)
trap 'e2e_stop "${pid:-}"; rm -rf "$work"' EXIT
export E2E_SHOT="${E2E_SCREENSHOT_DIR:-$work}/other_editor_fail.png"
cat > "$work/recorder" <<'SH'
#!/bin/sh
for a in "$@"; do printf '%s\n' "$a"; done > "$(dirname "$0")/got"
SH
chmod +x "$work/recorder"
name='a;touch x$(touch y).txt'
printf 'alt\n' > "$work/$name"
printf 'neu\n' > "$work/b.txt"
printf '[Options]\r\nOtherEditor=%s\r\n' "$work/recorder" > "$work/q.ini"
setxkbmap de
cd "$work"
"$QUILLON" -I q.ini "$name" b.txt &
pid=$!
win=$(e2e_wait_window "b.txt : Quillon 32") || e2e_fail "no window"
xdotool windowfocus --sync "$win" 2>/dev/null || true
sleep 0.3
xdotool key --delay 80 ctrl+shift+Tab
xdotool type --delay 40 "X"
# Datei > Übergeben an ...
xdotool key --delay 150 alt+d udiaeresis
for _ in $(seq 1 50); do [ -f "$work/got" ] && break; sleep 0.1; done
[ -f "$work/got" ] || e2e_fail "the other editor was not started"
e2e_expect_bytes "$work/$name" 'Xalt\n'
printf '%s\n' "$work/$name" > "$work/expected"
cmp -s "$work/got" "$work/expected" || e2e_fail "arguments: $(cat "$work/got")"
[ -e "$work/x" ] || [ -e "$work/y" ] && e2e_fail "a shell ran the file name"
win=$(e2e_wait_window "b.txt : Quillon 32") || e2e_fail "the handed file's tab did not close"
xdotool key --delay 150 alt+d b
for _ in $(seq 1 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
kill -0 "$pid" 2>/dev/null && e2e_fail "the window did not close"
echo "ok"
