#!/usr/bin/env bash
# A second start hands its files to the running window and ends; a third
# does too; with "Neue Dateien aufnehmen" unchecked a start runs on its own;
# a killed instance's marker does not block the next start.
set -euo pipefail
QUILLON=$(readlink -f "$1")
source "$(dirname "$0")/lib.sh"
e2e_need_x "$@"

work=$(mktemp -d)
pids=()
trap 'e2e_stop "${pids[@]}"; rm -rf "$work"' EXIT
export E2E_SHOT="${E2E_SCREENSHOT_DIR:-$work}/single_instance_fail.png"
mkdir -p "$work/a" "$work/b"
printf '[Options]\r\nNewFiles=1\r\n' > "$work/q.ini"
for f in eins zwei drei vier; do printf '%s\n' "$f" > "$work/b/$f.txt"; done
printf 'mit blank\n' > "$work/b/c d.txt"
cd "$work/a"
"$QUILLON" -I "$work/q.ini" "$work/b/eins.txt" &
pids+=($!)
first=${pids[0]}
e2e_wait_window "eins.txt : Quillon 32" >/dev/null || e2e_fail "no first window"
[ -S "$XDG_RUNTIME_DIR"/Quillon_32-*.socket ] || e2e_fail "no marker while accepting new files"

# Second start from another folder, one name relative, one with a blank.
cd "$work/b"
start=$(date +%s%N)
timeout 10 "$QUILLON" zwei.txt "$work/b/c d.txt" || e2e_fail "the second start did not end"
took=$(( ($(date +%s%N) - start) / 1000000 ))
[ "$took" -lt 3000 ] || e2e_fail "the second start took $took ms"
e2e_wait_window "$work/b/c d.txt : Quillon 32" >/dev/null || e2e_fail "the first window did not open the handed files"

# A third start hands over as well, with the launcher's startup id: the
# window that comes to the front carries it for the window manager.
DESKTOP_STARTUP_ID='e2e-host-7_TIME4242' timeout 10 "$QUILLON" drei.txt || e2e_fail "the third start did not end"
win=$(e2e_wait_window "$work/b/drei.txt : Quillon 32") || e2e_fail "the third start's file did not arrive"
xprop -id "$win" _NET_STARTUP_ID | grep -qF '"e2e-host-7_TIME4242"' ||
  e2e_fail "the startup id did not reach the window: $(xprop -id "$win" _NET_STARTUP_ID)"

# Killed: the stale marker must not block the next start.
kill -9 "$first"
sleep 0.3
"$QUILLON" -I "$work/q.ini" vier.txt &
pids+=($!)
second=$!
e2e_wait_window "vier.txt : Quillon 32" >/dev/null || e2e_fail "no window after a crashed instance"
sleep 0.5
timeout 10 "$QUILLON" eins.txt || e2e_fail "hand-over to the new instance did not end"
e2e_wait_window "$work/b/eins.txt : Quillon 32" >/dev/null || e2e_fail "the new instance did not take the file"

# "Neue Dateien aufnehmen" unchecked: a later start runs on its own.
win=$(e2e_wait_window "eins.txt : Quillon 32")
xdotool windowfocus --sync "$win" 2>/dev/null || true
xdotool key --delay 150 alt+o n
sleep 0.5
"$QUILLON" -I "$work/q.ini" zwei.txt &
pids+=($!)
third=$!
sleep 2
kill -0 "$third" 2>/dev/null || e2e_fail "with new files not accepted, the start did not run on its own"
echo "ok"
