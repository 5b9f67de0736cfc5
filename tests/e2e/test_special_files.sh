#!/usr/bin/env bash
# FIFOs and devices are never replaced by regular files: not as the settings
# file ("-I") at exit, not as a tab that is saved. The program says why and
# goes on; saving the tab under another name works.
set -euo pipefail
QUILLON=$(readlink -f "$1")
source "$(dirname "$0")/lib.sh"
e2e_need_x "$@"

work=$(mktemp -d)
pid=
trap 'e2e_stop "${pid:-}"; rm -rf "$work"' EXIT
export E2E_SHOT="${E2E_SCREENSHOT_DIR:-$work}/special_files_fail.png"
export XDG_CONFIG_HOME="$work/config"
printf 'Text\r\n' > "$work/a.txt"
mkfifo "$work/rohr"
cd "$work"

# Waits until the program ended by itself.
wait_end() {
  for _ in $(seq 1 50); do kill -0 "$pid" 2>/dev/null || return 0; sleep 0.1; done
  e2e_fail "$1"
}

# "-I" naming something that is not a regular file: at exit the settings
# are not written, the error says why, the window still closes.
settings_kept() {
  local name=$1 test_type=$2
  "$QUILLON" -I "$name" a.txt &
  pid=$!
  win=$(e2e_wait_window "a.txt : Quillon 32") || e2e_fail "no window with -I $name"
  xdotool windowfocus --sync "$win" 2>/dev/null || true
  xdotool key --delay 150 alt+d b
  e2e_wait_dialog "Fehler" >/dev/null || e2e_fail "no error at exit with -I $name"
  xdotool key Return
  wait_end "the window did not close with -I $name"
  pid=
  test "$test_type" "$name" || e2e_fail "$name was replaced at exit: $(ls -l "$name")"
}
settings_kept rohr -p
if [ "$(id -u)" = 0 ]; then
  mknod null c 1 3
  settings_kept null -c
fi

# The FIFO as a tab: it opens at once and empty; "Sichern" refuses.
"$QUILLON" rohr &
pid=$!
win=$(e2e_wait_window "rohr : Quillon 32") || e2e_fail "opening a FIFO did not come back"
xdotool windowfocus --sync "$win" 2>/dev/null || true
sleep 0.3
xdotool type --delay 50 "neu"
xdotool key --delay 150 alt+d s
# The error box carries the window's caption: a second window of that name.
shown=
for _ in $(seq 1 50); do
  [ "$(xdotool search --name "rohr : Quillon 32" 2>/dev/null | wc -l)" -ge 2 ] && { shown=1; break; }
  sleep 0.1
done
[ -n "$shown" ] || e2e_fail "no error when saving over the FIFO"
sleep 0.3
[ -n "${E2E_SCREENSHOT_DIR:-}" ] && import -window root "$E2E_SCREENSHOT_DIR/special_files.png"
xdotool key Return
sleep 0.3
[ -p rohr ] || e2e_fail "the FIFO was replaced: $(ls -l rohr)"
echo "ok"
