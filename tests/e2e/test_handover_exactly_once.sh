#!/usr/bin/env bash
# Every handed-over file opens exactly once, in exactly one window: when the
# running window is stopped, when it is busy loading a large file, and when
# "Neuer Editor" moves a file into a copy of its own (which must come up as
# a window of its own while the first one goes on taking files).
set -euo pipefail
QUILLON=$(readlink -f "$1")
source "$(dirname "$0")/lib.sh"
e2e_need_x "$@"

work=$(mktemp -d)
pids=()
cleanup() {
  e2e_stop "${pids[@]}"
  rm -rf "$work"
}
trap cleanup EXIT
export E2E_SHOT="${E2E_SCREENSHOT_DIR:-$work}/handover_exactly_once_fail.png"
printf '[Options]\r\nNewFiles=1\r\n' > "$work/q.ini"
for f in eins klein2 klein3 x y z; do printf '%s\n' "$f" > "$work/$f.txt"; done
cd "$work"

# The windows titled exactly $1.
windows_titled() {
  local id
  for id in $(xdotool search --onlyvisible --classname quillon 2>/dev/null); do
    if [ "$(xdotool getwindowname "$id" 2>/dev/null)" = "$1" ]; then echo "$id"; fi
  done
}
expect_once() {
  local n
  n=$(windows_titled "$work/$1 : Quillon 32" | wc -l)
  [ "$n" -eq 1 ] || e2e_fail "$1 is the current file of $n windows"
}
stop_all() {
  for p in "${pids[@]}"; do kill -CONT "$p" 2>/dev/null || true; kill "$p" 2>/dev/null || true; done
  pids=()
  sleep 0.5
}

# A stopped window: the start gives up waiting and opens its own; the
# stopped one, once going again, must not open the file as well.
"$QUILLON" -I "$work/q.ini" eins.txt &
pids+=($!)
first=$!
e2e_wait_window "$work/eins.txt : Quillon 32" >/dev/null || e2e_fail "no first window"
sleep 0.5
kill -STOP "$first"
"$QUILLON" klein2.txt &
pids+=($!)
e2e_wait_window "$work/klein2.txt : Quillon 32" >/dev/null \
  || e2e_fail "the start did not open its own window while the running one was stopped"
kill -CONT "$first"
sleep 3
expect_once klein2.txt
[ -n "$(windows_titled "$work/eins.txt : Quillon 32")" ] || e2e_fail "the stopped window took klein2.txt after all"
stop_all

# A window busy loading a large file when the next start comes.
{ yes 'Eine Zeile Text, die sich oft wiederholt.' || true; } | head -c 250000000 > big.txt
"$QUILLON" -I "$work/q.ini" eins.txt &
pids+=($!)
first=$!
e2e_wait_window "$work/eins.txt : Quillon 32" >/dev/null || e2e_fail "no first window"
sleep 0.5
timeout 20 "$QUILLON" big.txt || e2e_fail "the large file was not handed over"
sleep 0.2
"$QUILLON" klein3.txt &
pids+=($!)
later=$!
# Either the busy window took it, or the start opened its own; wait until
# the window has loaded and shown whatever it took.
for _ in $(seq 1 600); do
  if [ -n "$(windows_titled "$work/klein3.txt : Quillon 32")" ] \
    && { ! kill -0 "$later" 2>/dev/null || [ -n "$(windows_titled "$work/big.txt : Quillon 32")" ]; }; then
    break
  fi
  sleep 0.1
done
sleep 3
expect_once klein3.txt
stop_all
rm -f big.txt

# "Neuer Editor": x.txt moves into a window of its own; the first window
# keeps y.txt and takes the next start's file.
"$QUILLON" -I "$work/q.ini" y.txt x.txt &
pids+=($!)
win=$(e2e_wait_window "$work/x.txt : Quillon 32") || e2e_fail "no window with x.txt"
sleep 0.5
xdotool windowfocus --sync "$win" 2>/dev/null || true
xdotool key --delay 150 alt+d e e Return
for _ in $(seq 1 100); do
  copy=$(windows_titled "$work/x.txt : Quillon 32")
  [ -n "$copy" ] && [ "$copy" != "$win" ] && break
  sleep 0.1
done
[ -n "$copy" ] && [ "$copy" != "$win" ] || e2e_fail "no new window with x.txt"
[ "$(xdotool getwindowname "$win")" = "$work/y.txt : Quillon 32" ] || e2e_fail "the first window did not keep y.txt"
copy_pid=$(xdotool getwindowpid "$copy" 2>/dev/null || true)
[ -n "$copy_pid" ] && pids+=("$copy_pid")
timeout 10 "$QUILLON" z.txt || e2e_fail "the first window no longer takes files"
sleep 1
[ "$(xdotool getwindowname "$win")" = "$work/z.txt : Quillon 32" ] \
  || e2e_fail "z.txt did not reach the first window: $(for id in $(xdotool search --onlyvisible --classname quillon); do
    echo "$id $(xdotool getwindowpid "$id") $(xdotool getwindowname "$id")"; done)"
expect_once x.txt
echo "ok"
