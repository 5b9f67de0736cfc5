#!/usr/bin/env bash
# kill -9 at random moments while typing goes on: every time the next start
# gives back the text typed up to a moment shortly before the kill, never a
# garbled one, and saving it writes exactly that.
set -euo pipefail
QUILLON=$(readlink -f "$1")
source "$(dirname "$0")/lib.sh"
e2e_need_x "$@"

work=$(mktemp -d)
pid= typist=
trap 'e2e_stop -9 "$pid" "$typist"; rm -rf "$work"' EXIT
export E2E_SHOT="${E2E_SCREENSHOT_DIR:-$work}/crash_while_typing_fail.png"
export XDG_STATE_HOME="$work/state"
printf 'Anfang\r\n' > "$work/text.txt"
setxkbmap de
cd "$work"

rounds=${E2E_CRASH_ROUNDS:-20}
expected=$(cat text.txt)
"$QUILLON" text.txt &
pid=$!
for round in $(seq 1 "$rounds"); do
  win=$(e2e_wait_window "Quillon 32") || e2e_fail "no window in round $round"
  xdotool windowfocus --sync "$win" 2>/dev/null || true
  sleep 0.3
  typed="r${round}-abcdefghijklmnopqrstuvwxyz0123456789abcdefghijklmnopqrstuvwxyz0123456789abcdefghijklmnopqrstuvwxyz"
  xdotool type --delay 30 "$typed" &
  typist=$!
  # 2.2 to 4.2 s after the typing began.
  sleep "$(awk -v r="$RANDOM" 'BEGIN { printf "%.2f", 2.2 + (r % 200) / 100 }')"
  kill -9 "$pid"
  kill "$typist" 2>/dev/null || true
  wait "$pid" "$typist" 2>/dev/null || true

  "$QUILLON" &
  pid=$!
  win=$(e2e_wait_window "Quillon 32") || e2e_fail "no window after the kill in round $round"
  e2e_wait_dialog "Wiederherstellung" >/dev/null || e2e_fail "no recovery question in round $round"
  xdotool key --delay 150 alt+j
  sleep 0.5
  xdotool windowfocus --sync "$win" 2>/dev/null || true
  xdotool mousemove --window "$win" 68 36 click 1
  sleep 0.6
  now=$(cat text.txt)
  # What came back is the start of what was typed, before the old text.
  [ "${now%"$expected"}" != "$now" ] || e2e_fail "round $round: the earlier text is not intact: $now"
  head=${now%"$expected"}
  [ "${typed#"$head"}" != "$typed" ] || [ -z "$head" ] || e2e_fail "round $round: garbled: $head"
  # At least the keys of the first two seconds (about 30 ms each) are there.
  [ "${#head}" -ge 10 ] || e2e_fail "round $round: only '${head}' came back"
  expected=$now
done
echo "ok ($rounds rounds)"
