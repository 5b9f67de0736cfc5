#!/usr/bin/env bash
# How long the real program takes for each key on a large file: starts it in
# an X server of its own on a file of MEGABYTES (default 100), sends keys with
# xdotool at the start, in the middle and at the end of the text, and prints
# per place the slowest key. The program logs each key itself when
# QUILLON_KEY_TIMING names a file: from the moment the key reaches the text
# control until the control has been painted after it.
#   bench/key_latency.sh PATH/TO/quillon [MEGABYTES]
set -euo pipefail
QUILLON=$(readlink -f "$1")
megabytes=${2:-100}
work=$(mktemp -d)
xpid= pid=
cleanup() {
  [ -n "$pid" ] && kill "$pid" 2>/dev/null
  [ -n "$xpid" ] && kill "$xpid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

line='Lorem ipsum dolor sit amet, consectetur adipiscing elit, sed do eiusmod tempor 42.'
(yes "$line" || true) | head -c $((megabytes * 1000000)) | sed 's/$/\r/' > "$work/gross.txt"
lines=$(wc -l < "$work/gross.txt")

Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" 2>/dev/null &
xpid=$!
for _ in $(seq 1 100); do [ -s "$work/display" ] && break; sleep 0.1; done
export DISPLAY=":$(head -n 1 "$work/display")"
export XDG_RUNTIME_DIR="$work/run" XDG_CONFIG_HOME="$work/config" QUILLON_KEY_TIMING="$work/keys.log"
# Recovery records of the file under test go to the bench's own folder.
export XDG_STATE_HOME="$work/state"
mkdir -m 700 "$XDG_RUNTIME_DIR" "$XDG_CONFIG_HOME"

start=$(date +%s.%N)
"$QUILLON" "$work/gross.txt" &
pid=$!
win=
for _ in $(seq 1 600); do
  win=$(xdotool search --name 'gross' 2>/dev/null | head -n 1) && [ -n "$win" ] && break
  sleep 0.1
done
[ -n "$win" ] || { echo "no window" >&2; exit 1; }
xdotool windowactivate --sync "$win" 2>/dev/null || xdotool windowfocus --sync "$win"
sleep 2
echo "window after $(echo "$(date +%s.%N) - $start" | bc) s"

keys() {
  echo "place $1" >> "$QUILLON_KEY_TIMING"
  shift
  for key in "$@"; do
    xdotool key "$key"
    sleep 0.4
  done
}
typing=(a b BackSpace Return BackSpace Right Left Down Up End Home Next Prior shift+Right Delete)
keys "start (first key)" x
keys start "${typing[@]}"
# The middle: "Gehe zu Zeile" from the menu.
xdotool key alt+s
sleep 0.5
xdotool key z
dialog=
for _ in $(seq 1 50); do
  dialog=$(xdotool search --onlyvisible --name '^Neue Zeilennummer$' 2>/dev/null | head -n 1) && [ -n "$dialog" ] && break
  sleep 0.1
done
[ -n "$dialog" ] || { echo "no line dialog" >&2; exit 1; }
xdotool windowfocus --sync "$dialog" 2>/dev/null || true
xdotool key ctrl+a
xdotool type "$((lines / 2))"
xdotool key Return
sleep 1
xdotool windowfocus --sync "$win" 2>/dev/null || true
keys "middle (first key)" x
keys middle "${typing[@]}"
keys "end (ctrl+End)" ctrl+End
keys "end (first key)" x
keys end "${typing[@]}"
keys "start again (ctrl+Home)" ctrl+Home
keys "start again (first key)" x
sleep 1

echo "file: $megabytes MB, $lines lines; slowest key per place, in ms until handled / until painted:"
awk '
  /^place / { place = substr($0, 7); order[++n] = place; next }
  /^key / { handled = $4; if (handled > h[place]) h[place] = handled; next }
  /^painted / { if ($2 > p[place]) p[place] = $2 }
  END { for (i = 1; i <= n; ++i) printf "  %-26s %8.1f %8.1f\n", order[i], h[order[i]], p[order[i]] }
' "$QUILLON_KEY_TIMING"
