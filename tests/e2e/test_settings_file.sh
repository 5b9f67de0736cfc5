#!/usr/bin/env bash
# Starts the real program with "-I" naming a new settings file in a
# temporary folder, moves the window, quits, confirms the question to create
# the file and checks its keys; a second start reads them back.
set -euo pipefail
QUILLON=$(readlink -f "$1")
source "$(dirname "$0")/lib.sh"
e2e_need_x "$@"

work=$(mktemp -d)
trap 'e2e_stop "${pid:-}"; rm -rf "$work"' EXIT
export E2E_SHOT="${E2E_SCREENSHOT_DIR:-$work}/settings_file_fail.png"
export XDG_CONFIG_HOME="$work/config"
printf 'Text\n' > "$work/a.txt"
cd "$work"

"$QUILLON" -i einstellungen.ini a.txt &
pid=$!
win=$(e2e_wait_window "a.txt : Quillon 32") || e2e_fail "no window"
[ -f "$work/einstellungen.ini" ] || e2e_fail "the settings file was not created at start-up"
[ -s "$work/einstellungen.ini" ] && e2e_fail "the new settings file is not empty"
xdotool windowmove --sync "$win" 120 80 2>/dev/null || xdotool windowmove "$win" 120 80
sleep 0.5
xdotool windowfocus --sync "$win" 2>/dev/null || true
xdotool key --delay 150 alt+d b
# "Soll eine neue Ini-Datei unter ... angelegt werden ?" - Ja
e2e_wait_dialog "Bestätigen" >/dev/null || e2e_fail "no question about the new settings file"
xdotool key --delay 150 alt+j
for _ in $(seq 1 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
kill -0 "$pid" 2>/dev/null && e2e_fail "the window did not close"

ini="$work/einstellungen.ini"
grep -q $'^\[Window\]\r$' "$ini" || e2e_fail "no [Window] section: $(cat -A "$ini")"
grep -q $'^Left=120\r$' "$ini" || e2e_fail "window left not written: $(cat -A "$ini")"
grep -q $'^Top=80\r$' "$ini" || e2e_fail "window top not written"
grep -q $'^Filter=Textdateien (\\*.TXT)|\\*.TXT|Alle Dateien(\\*.\\*)|\\*.\\*\r$' "$ini" || e2e_fail "filter not written"
grep -q $'^NewFiles=1\r$' "$ini" || e2e_fail "NewFiles not written"
[ -d "$work/config" ] && [ -n "$(find "$work/config" -name '*.ini')" ] && e2e_fail "the per-user settings file was used despite -I"

# A second start reads the file: no question at exit.
sed -i 's/^Left=120\r$/Left=200\r/' "$ini"
"$QUILLON" -I einstellungen.ini a.txt &
pid=$!
win=$(e2e_wait_window "a.txt : Quillon 32") || e2e_fail "no window on the second start"
sleep 0.5
x=$(xdotool getwindowgeometry "$win" | sed -n 's/.*Position: \([0-9-]*\),.*/\1/p')
[ "$x" = "200" ] || e2e_fail "window left not read back (at $x)"
xdotool windowfocus --sync "$win" 2>/dev/null || true
xdotool key --delay 150 alt+d b
for _ in $(seq 1 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
kill -0 "$pid" 2>/dev/null && e2e_fail "the window did not close without a question"
echo "ok"
