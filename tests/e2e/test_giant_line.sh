#!/usr/bin/env bash
# A file of one 50 MB line: the real editor shows it at once, keeps the
# window answering, refuses to change it with a message, and saves it
# byte for byte.
set -euo pipefail
QUILLON=$(readlink -f "$1")
source "$(dirname "$0")/lib.sh"
e2e_need_x "$@"

work=$(mktemp -d)
trap 'e2e_stop "${pid:-}"; rm -rf "$work"' EXIT
export E2E_SHOT="${E2E_SCREENSHOT_DIR:-$work}/giant_line_fail.png"
# Words with Windows-1252 quotes, no line break anywhere.
python3 - "$work/eine Zeile.txt" <<'PY'
import sys
words = b" ".join(b"wort%d \x84zitat\x93" % i for i in range(2000))
with open(sys.argv[1], "wb") as f:
    while f.tell() < 50 << 20:
        f.write(words + b" ")
PY
cp "$work/eine Zeile.txt" "$work/original"

cd "$work"
started=$(date +%s%N)
"$QUILLON" "eine Zeile.txt" &
pid=$!
win=$(e2e_wait_window "eine Zeile.txt") || e2e_fail "no window"
xdotool windowactivate --sync "$win" 2>/dev/null || xdotool windowfocus --sync "$win"
shown=$(( ($(date +%s%N) - started) / 1000000 ))
echo "window with the file after $shown ms"

# Typing is refused: one message box says why, the text stays as it was.
xdotool type --delay 50 "abc"
# The box carries the program's title, as the main window does.
box=
for _ in $(seq 1 50); do
  box=$(xdotool search --onlyvisible --name "Quillon 32" 2>/dev/null | grep -vx "$win" | tail -n 1) || true
  [ -n "$box" ] && break
  sleep 0.1
done
[ -n "$box" ] || e2e_fail "no message about the long line"
[ -n "${E2E_SCREENSHOT_DIR:-}" ] && import -window root "$E2E_SCREENSHOT_DIR/giant_line_message.png"
xdotool windowfocus --sync "$box" 2>/dev/null || true
xdotool key Return
sleep 0.5

# Save button: third on the bar; the window must still answer at once.
xdotool windowactivate --sync "$win" 2>/dev/null || xdotool windowfocus --sync "$win"
before=$(stat -c %Y "eine Zeile.txt")
sleep 1.1
xdotool mousemove --window "$win" 68 36 click 1
for _ in $(seq 1 50); do
  [ "$(stat -c %Y "eine Zeile.txt")" != "$before" ] && break
  sleep 0.2
done
[ "$(stat -c %Y "eine Zeile.txt")" != "$before" ] || e2e_fail "the file was not saved"
cmp -s "eine Zeile.txt" original || e2e_fail "saving changed the bytes"
[ -n "${E2E_SCREENSHOT_DIR:-}" ] && import -window root "$E2E_SCREENSHOT_DIR/giant_line.png"
echo "ok"
