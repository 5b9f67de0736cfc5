#!/usr/bin/env bash
# Another process rewrites and deletes files the real editor has
# open: an unmodified one is reloaded, a modified one asks, saving over an
# outside change asks, a deleted one is told.
set -euo pipefail
QUILLON=$(readlink -f "$1")
source "$(dirname "$0")/lib.sh"
e2e_need_x "$@"

work=$(mktemp -d)
trap 'e2e_stop "${pid:-}"; rm -rf "$work"' EXIT
export E2E_SHOT="${E2E_SCREENSHOT_DIR:-$work}/external_change_fail.png"
printf 'eins\r\n' > "$work/eins.txt"
printf 'zwei\r\n' > "$work/zwei.txt"
setxkbmap de

# No dialog titled $1 for a while (the checks run every two seconds).
no_dialog() {
  sleep 3
  [ -z "$(xdotool search --name "^$1\$" 2>/dev/null)" ] || e2e_fail "$2"
}
save() {
  # Save button: third on the bar.
  xdotool mousemove --window "$win" 68 36 click 1
  sleep 0.5
}

cd "$work"
"$QUILLON" eins.txt zwei.txt &
pid=$!
win=$(e2e_wait_window "Quillon 32") || e2e_fail "no window"
xdotool windowactivate --sync "$win" 2>/dev/null || xdotool windowfocus --sync "$win"
sleep 0.5

# Unmodified, rewritten outside: reloaded without a word; what is typed
# next goes into the new text.
bash -c 'printf "von außen\r\n" > "$1"' _ "$work/zwei.txt"
no_dialog Warnung "a question about an unmodified file"
xdotool type --delay 50 "A"
save
e2e_expect_bytes "$work/zwei.txt" 'Avon au\xc3\x9fen\r\n'

# Modified, rewritten outside: one question; Nein keeps the text.
xdotool type --delay 50 "B"
sleep 0.3
bash -c 'printf "zweiter Eingriff\r\n" > "$1"' _ "$work/zwei.txt"
e2e_wait_dialog Warnung >/dev/null || e2e_fail "no question about the modified file"
xdotool key --delay 150 alt+n
# Saving over it asks; Nein leaves the file as the other program wrote it.
save
e2e_wait_dialog Warnung >/dev/null || e2e_fail "no question before overwriting"
xdotool key --delay 150 alt+n
sleep 0.5
e2e_expect_bytes "$work/zwei.txt" 'zweiter Eingriff\r\n'
save
e2e_wait_dialog Warnung >/dev/null || e2e_fail "no question before overwriting"
xdotool key --delay 150 alt+j
sleep 0.5
e2e_expect_bytes "$work/zwei.txt" 'ABvon au\xc3\x9fen\r\n'

# Deleted: told once when its tab is shown.
rm "$work/eins.txt"
xdotool key --delay 150 ctrl+Tab
e2e_wait_dialog Warnung >/dev/null || e2e_fail "no message about the deleted file"
xdotool key --delay 150 Return
no_dialog Warnung "told twice about the deleted file"
[ -e "$work/eins.txt" ] && e2e_fail "the deleted file came back by itself"
kill -0 "$pid" 2>/dev/null || e2e_fail "the editor ended"
echo "ok"
