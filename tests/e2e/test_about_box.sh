#!/usr/bin/env bash
# "Hilfe > Info..." opens the about box over the window; Page Down turns to
# the live system page, Enter closes the box, and the program goes on.
# With E2E_SCREENSHOT_DIR set, the icon, system and first message pages
# are kept as about-icon.png, about-system.png and about-message.png.
set -euo pipefail
QUILLON=$(readlink -f "$1")
source "$(dirname "$0")/lib.sh"
e2e_need_x "$@"

work=$(mktemp -d)
trap 'e2e_stop "${pid:-}"; rm -rf "$work"' EXIT
shots="${E2E_SCREENSHOT_DIR:-$work}"
export E2E_SHOT="$shots/about_box_fail.png"
printf 'Text\n' > "$work/a.txt"
printf '[Options]\r\n' > "$work/q.ini"
setxkbmap de
cd "$work"
"$QUILLON" -I q.ini a.txt &
pid=$!
win=$(e2e_wait_window "a.txt : Quillon 32") || e2e_fail "no window"
xdotool windowfocus --sync "$win" 2>/dev/null || true
sleep 0.3
xdotool key --delay 150 alt+h i
e2e_wait_dialog "Infos" >/dev/null || e2e_fail "the about box did not open"
sleep 0.5
import -window root "$shots/about-icon.png"
xdotool key --delay 100 Next
# The system page measures the clock for half a second per refresh.
sleep 1.5
import -window root "$shots/about-system.png"
xdotool key --delay 600 Next Next
sleep 1
import -window root "$shots/about-message.png"
xdotool key Return
for _ in $(seq 1 50); do
  xdotool search --name '^Infos$' >/dev/null 2>&1 || break
  sleep 0.1
done
xdotool search --name '^Infos$' >/dev/null 2>&1 && e2e_fail "Enter did not close the box"
kill -0 "$pid" 2>/dev/null || e2e_fail "the program ended with the box"
win=$(e2e_wait_window "a.txt : Quillon 32") || e2e_fail "the window is gone"
xdotool windowfocus --sync "$win" 2>/dev/null || true
xdotool key --delay 150 alt+d b
for _ in $(seq 1 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
kill -0 "$pid" 2>/dev/null && e2e_fail "the window did not close"
echo "ok"
