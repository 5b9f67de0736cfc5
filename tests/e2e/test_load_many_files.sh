#!/usr/bin/env bash
# Load on the real program: a thousand files on the command line, a
# thousand more handed over by one later start, then "Beenden" closes them
# all and writes the settings. Nothing may hang, and no file may change.
set -euo pipefail
QUILLON=$(readlink -f "$1")
source "$(dirname "$0")/lib.sh"
e2e_need_x "$@"

work=$(mktemp -d)
pid=
trap 'e2e_stop "${pid:-}"; rm -rf "$work"' EXIT
export E2E_SHOT="${E2E_SCREENSHOT_DIR:-$work}/load_many_files_fail.png"
mkdir -p "$work/a" "$work/b"
printf '[Options]\r\nNewFiles=1\r\n' > "$work/q.ini"
for i in $(seq -w 0 999); do
  printf 'a %s\r\n' "$i" > "$work/a/datei$i.txt"
  printf 'b %s\n' "$i" > "$work/b/datei$i.txt"
done
( cd "$work" && find a b -type f -exec md5sum {} + | sort ) > "$work/before.md5"

# Waits up to $2 seconds for a window whose title contains $1.
wait_title() {
  local deadline=$((SECONDS + $2)) id
  while [ $SECONDS -lt $deadline ]; do
    for id in $(xdotool search --classname quillon 2>/dev/null); do
      if xdotool getwindowname "$id" 2>/dev/null | grep -qF -- "$1"; then
        echo "$id"
        return 0
      fi
    done
    kill -0 "$pid" 2>/dev/null || return 1
    sleep 0.2
  done
  return 1
}

cd "$work/a"
start=$(date +%s%N)
"$QUILLON" -I "$work/q.ini" datei*.txt &
pid=$!
wait_title "$work/a/datei999.txt : Quillon 32" 120 >/dev/null || e2e_fail "the thousandth file did not open"
echo "1000 files from the command line: $(( ($(date +%s%N) - start) / 1000000 )) ms"
[ -S "$XDG_RUNTIME_DIR"/Quillon_32-*.socket ] || e2e_fail "no marker while accepting new files"

cd "$work/b"
start=$(date +%s%N)
timeout 60 "$QUILLON" datei*.txt || e2e_fail "the later start with 1000 files did not hand over and end"
win=$(wait_title "$work/b/datei999.txt : Quillon 32" 120) || e2e_fail "the handed-over files did not arrive"
echo "1000 files by one hand-over: $(( ($(date +%s%N) - start) / 1000000 )) ms"

# Datei > Beenden: no file was changed, so nothing is asked.
xdotool windowfocus --sync "$win" 2>/dev/null || true
sleep 0.5
start=$(date +%s%N)
xdotool key --delay 150 alt+d b
for _ in $(seq 1 600); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
kill -0 "$pid" 2>/dev/null && e2e_fail "the window with 2000 files did not close within 60 s"
wait "$pid" || e2e_fail "the program ended with status $?"
pid=
echo "closing 2000 files: $(( ($(date +%s%N) - start) / 1000000 )) ms"
grep -q '^\[Window\]' "$work/q.ini" || e2e_fail "the settings were not written at the end"
( cd "$work" && find a b -type f -exec md5sum {} + | sort ) | cmp -s - "$work/before.md5" || e2e_fail "a file changed"
echo "ok"
