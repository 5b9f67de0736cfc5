#!/usr/bin/env bash
# Starts the real program with two files (one with a blank in its name, one
# relative), checks the caption, edits, quits through the menu, answers the
# save question and checks the bytes on disk.
set -euo pipefail
QUILLON=$(readlink -f "$1")
source "$(dirname "$0")/lib.sh"
e2e_need_x "$@"

work=$(mktemp -d)
trap 'e2e_stop "${pid:-}"; rm -rf "$work"' EXIT
export E2E_SHOT="${E2E_SCREENSHOT_DIR:-$work}/start_and_close_fail.png"
export XDG_CONFIG_HOME="$work/config"
mkdir -p "$work/Eigene Dateien" "$work/sub"
printf 'Brief\r\n' > "$work/Eigene Dateien/brief.txt"
printf 'zwei\n' > "$work/sub/zwei.txt"

# --version and --help answer without a window.
"$QUILLON" --version | grep -qx "Quillon 32 1.3.4.1" || e2e_fail "--version"
"$QUILLON" --help | grep -q "Aufruf: quillon" || e2e_fail "--help"

cd "$work/sub"
"$QUILLON" ../Eigene\ Dateien/brief.txt zwei.txt &
pid=$!
win=$(e2e_wait_window "$work/sub/zwei.txt : Quillon 32") || e2e_fail "caption is not the second file's full name: $(xdotool search --classname quillon getwindowname 2>/dev/null)"
xdotool windowfocus --sync "$win" 2>/dev/null || true
sleep 0.5
xdotool type --delay 40 "Neu: "
sleep 0.2
# Datei > Beenden, then "Ja" to the save question of the changed file and
# "Nein" to the question whether to create the new settings file.
xdotool key --delay 150 alt+d b
e2e_wait_dialog "Warnung" >/dev/null || e2e_fail "no save question"
xdotool key --delay 150 alt+j
e2e_wait_dialog "Bestätigen" >/dev/null || e2e_fail "no question about the new settings file"
xdotool key --delay 150 alt+n
for _ in $(seq 1 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
kill -0 "$pid" 2>/dev/null && e2e_fail "the window did not close"
e2e_expect_bytes "$work/sub/zwei.txt" 'Neu: zwei\n'
e2e_expect_bytes "$work/Eigene Dateien/brief.txt" 'Brief\r\n'
ini=$(find "$work/config" -name quillon.ini)
[ -n "$ini" ] || e2e_fail "no settings file was created at start-up"
[ -s "$ini" ] && e2e_fail "the settings file was written although the answer was Nein"
echo "ok"
