#!/usr/bin/env bash
# On a German keyboard Ctrl+2 types „ (0x84) and Ctrl+Shift+2 types ”
# (0x94); Ctrl+F finds, Strg+R replaces; the bytes land in the saved file.
set -euo pipefail
QUILLON=$(readlink -f "$1")
source "$(dirname "$0")/lib.sh"
e2e_need_x "$@"

work=$(mktemp -d)
trap 'e2e_stop "${pid:-}"; rm -rf "$work"' EXIT
export E2E_SHOT="${E2E_SCREENSHOT_DIR:-$work}/quote_keys_fail.png"
printf 'Zitat\r\n' > "$work/z.txt"
printf '[Options]\r\nNewFiles=1\r\n' > "$work/q.ini"
setxkbmap de
cd "$work"
"$QUILLON" -I q.ini z.txt &
pid=$!
win=$(e2e_wait_window "z.txt : Quillon 32") || e2e_fail "no window"
xdotool windowfocus --sync "$win" 2>/dev/null || true
sleep 0.5
xdotool key --delay 80 ctrl+2
xdotool key --delay 80 End
xdotool key --delay 80 ctrl+shift+2
# Datei > Sichern
xdotool key --delay 150 alt+d s
sleep 0.5
e2e_expect_bytes "$work/z.txt" '\x84Zitat\x94\r\n'

# Strg+F, "Zitat", Enter: found and selected; typing replaces the selection.
xdotool key --delay 80 ctrl+Home
xdotool key --delay 80 ctrl+f
e2e_wait_dialog "Suchen" >/dev/null || e2e_fail "no find dialog"
xdotool type --delay 40 "zitat"
xdotool key --delay 80 Return
sleep 0.5
xdotool windowfocus --sync "$win" 2>/dev/null || true
xdotool type --delay 40 "Wort"
xdotool key --delay 150 alt+d s
sleep 0.5
e2e_expect_bytes "$work/z.txt" '\x84Wort\x94\r\n'
xdotool key --delay 150 alt+d b
for _ in $(seq 1 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
kill -0 "$pid" 2>/dev/null && e2e_fail "the window did not close"
echo "ok"
