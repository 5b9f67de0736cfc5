#!/usr/bin/env bash
# Only Insert and Alt+Insert switch between insert and overwrite; Ctrl+Insert
# (copy) and Shift+Insert (paste) do not, in whatever order the keys are let
# go. Go to line lands behind the text of a shorter line, never inside CR LF.
set -euo pipefail
QUILLON=$(readlink -f "$1")
source "$(dirname "$0")/lib.sh"
e2e_need_x "$@"

work=$(mktemp -d)
trap 'e2e_stop "${pid:-}"; rm -rf "$work"' EXIT
export E2E_SHOT="${E2E_SCREENSHOT_DIR:-$work}/insert_keys_fail.png"
printf 'abc\r\nxy\r\ndritte Zeile\r\n' > "$work/t.txt"
cd "$work"
"$QUILLON" -I q.ini t.txt &
pid=$!
win=$(e2e_wait_window "t.txt : Quillon 32") || e2e_fail "no window"
xdotool windowfocus --sync "$win" 2>/dev/null || true
sleep 0.5
# xdotool lets the modifier go first: the Insert key comes up alone.
xdotool key --delay 80 ctrl+Insert
xdotool type --delay 40 "Q"
xdotool key --delay 80 shift+Insert
xdotool type --delay 40 "R"
xdotool key --delay 80 Insert
xdotool type --delay 40 "S"
xdotool key --delay 80 alt+Insert
xdotool type --delay 40 "T"
# Line 3, column 9, then "Gehe zu Zeile" 2: behind "xy".
xdotool key --delay 80 ctrl+End
xdotool key --delay 80 Left Left Left Left
xdotool key --delay 150 alt+s z
e2e_wait_dialog "Neue Zeilennummer" >/dev/null || e2e_fail "no go-to-line dialog"
xdotool key --delay 80 ctrl+a
xdotool type --delay 40 "2"
xdotool key --delay 80 Return
sleep 0.5
# The keyboard is back in the text without help (no window manager here).
xdotool type --delay 40 "#"
xdotool key --delay 150 alt+d s
sleep 0.5
e2e_expect_bytes "$work/t.txt" 'QRSTbc\r\nxy#\r\ndritte Zeile\r\n'
xdotool key --delay 150 alt+d b
e2e_wait_dialog "Bestätigen" >/dev/null && xdotool key --delay 80 n
for _ in $(seq 1 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
kill -0 "$pid" 2>/dev/null && e2e_fail "the window did not close"
echo "ok"
