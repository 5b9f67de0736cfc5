#!/usr/bin/env bash
# Starts the real editor with two files, types Windows-1252 characters on a
# German keyboard, saves with the button bar and checks the bytes on disk.
set -euo pipefail
QUILLON=$(readlink -f "$1")
source "$(dirname "$0")/lib.sh"
e2e_need_x "$@"

work=$(mktemp -d)
trap 'e2e_stop "${pid:-}"; rm -rf "$work"' EXIT
export E2E_SHOT="${E2E_SCREENSHOT_DIR:-$work}/type_and_save_fail.png"
printf 'erste Datei\r\n' > "$work/eins.txt"
printf 'Zeile\r\nzwei\r\n' > "$work/zwei daten.txt"
setxkbmap de

cd "$work"
"$QUILLON" eins.txt "zwei daten.txt" &
pid=$!
win=$(e2e_wait_window "Quillon 32") || e2e_fail "no window"
xdotool windowactivate --sync "$win" 2>/dev/null || xdotool windowfocus --sync "$win"
sleep 0.5

# The second file is current and its caret stands at the start.
xdotool type --delay 50 "A€„"
xdotool key --delay 50 Return
sleep 0.3
# Save button: third on the bar (left 56, 24 pixels), the bar below the menu.
xdotool mousemove --window "$win" 68 36 click 1
sleep 0.5

e2e_expect_bytes "$work/zwei daten.txt" 'A\x80\x84\r\nZeile\r\nzwei\r\n'
e2e_expect_bytes "$work/eins.txt" 'erste Datei\r\n'

# Right-click menu: "Datei sichern" is its third item (the separator is skipped).
xdotool type --delay 50 "ü"
xdotool mousemove --window "$win" 200 120 click 3
sleep 0.5
xdotool key --delay 100 Down Down Down Return
sleep 0.5
e2e_expect_bytes "$work/zwei daten.txt" 'A\x80\x84\r\n\xfcZeile\r\nzwei\r\n'

if [ -n "${E2E_SCREENSHOT_DIR:-}" ]; then
  import -window root "$E2E_SCREENSHOT_DIR/type_and_save.png"
fi
echo "ok"
