#!/usr/bin/env bash
# Runs "Alle ersetzen" in the real editor with too little address space for
# it: the program must stay, say so in German, keep the text as it was (one
# undo step either way) and leave the unsaved text of another tab alone.
set -euo pipefail
QUILLON=$(readlink -f "$1")
source "$(dirname "$0")/lib.sh"
e2e_need_x "$@"
command -v prlimit >/dev/null || { echo "SKIP: no prlimit" >&2; exit 77; }
# The sanitizer's allocator reserves its address space up front and aborts
# when it cannot get more, before the program could react.
if ldd "$QUILLON" 2>/dev/null | grep -q libasan; then
  echo "SKIP: built with AddressSanitizer" >&2
  exit 77
fi

work=$(mktemp -d)
pid=
trap 'e2e_stop "${pid:-}"; rm -rf "$work"' EXIT
export E2E_SHOT="${E2E_SCREENSHOT_DIR:-$work}/out_of_memory_fail.png"
# 8 MB of "o": replacing each by "00" needs far more than the limit below.
(yes "$(printf 'o%.0s' $(seq 1 78))" || true) | head -n 100000 | sed 's/$/\r/' > "$work/gross.txt"
cp "$work/gross.txt" "$work/gross.orig"
printf 'klein\r\n' > "$work/klein.txt"

cd "$work"
"$QUILLON" klein.txt gross.txt &
pid=$!
win=$(e2e_wait_window "Quillon 32") || e2e_fail "no window"
xdotool windowactivate --sync "$win" 2>/dev/null || xdotool windowfocus --sync "$win"
sleep 1
# Unsaved text in the first tab; then back to the large file.
xdotool key --delay 100 ctrl+Tab
xdotool type --delay 50 "ungesichert "
xdotool key --delay 100 ctrl+Tab
sleep 0.3

# From now on the process gets 60 MB more address space than it holds.
mapped=$(awk '/^VmSize:/ {print $2}' "/proc/$pid/status")
prlimit --pid "$pid" --as=$(( (mapped + 60 * 1024) * 1024 )):

xdotool key --delay 100 ctrl+r
e2e_wait_dialog "Ersetzen" >/dev/null || e2e_fail "no replace dialog"
xdotool type --delay 50 "o"
xdotool key --delay 50 Tab
xdotool type --delay 50 "00"
xdotool key --delay 50 Tab Tab Tab Tab Tab space
# The message box is a second visible window of the program.
box=
for _ in $(seq 1 100); do
  box=$(xdotool search --onlyvisible --classname quillon 2>/dev/null | grep -vx "$win" | tail -n 1) || true
  [ -n "$box" ] && break
  kill -0 "$pid" 2>/dev/null || e2e_fail "the program ended"
  sleep 0.1
done
[ -n "$box" ] || e2e_fail "no message about the missing memory"
[ -n "${E2E_SCREENSHOT_DIR:-}" ] && import -window root "$E2E_SCREENSHOT_DIR/out_of_memory.png"
xdotool windowfocus --sync "$box" 2>/dev/null || true
xdotool key --delay 100 Return
sleep 0.5

# Saving shows the text as it was before the command; so does the other tab.
prlimit --pid "$pid" --as=unlimited:
xdotool windowactivate --sync "$win" 2>/dev/null || xdotool windowfocus --sync "$win"
xdotool mousemove --window "$win" 68 36 click 1
sleep 1
cmp -s gross.txt gross.orig || e2e_fail "the large file changed"
xdotool key --delay 100 ctrl+Tab
sleep 0.3
xdotool mousemove --window "$win" 68 36 click 1
sleep 1
e2e_expect_bytes klein.txt 'ungesichert klein\r\n'
echo "ok"
