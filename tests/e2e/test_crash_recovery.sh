#!/usr/bin/env bash
# Unsaved text survives the process: typed into a file and into an untitled
# tab, the program is killed with -9; the next start offers the text back,
# and saving it puts exactly the typed bytes on disk. SIGTERM ends without
# asking and keeps the text the same way; a clean exit leaves nothing behind.
set -euo pipefail
QUILLON=$(readlink -f "$1")
source "$(dirname "$0")/lib.sh"
e2e_need_x "$@"

work=$(mktemp -d)
pid=
trap 'e2e_stop -9 "$pid"; rm -rf "$work"' EXIT
export E2E_SHOT="${E2E_SCREENSHOT_DIR:-$work}/crash_recovery_fail.png"
export XDG_STATE_HOME="$work/state"
printf 'erste\r\n\x80 Zeile\r\n' > "$work/eins.txt"
setxkbmap de
cd "$work"

start() {
  "$QUILLON" "$@" &
  pid=$!
}

# Waits for the recovery question and answers it with the key given.
answer_recovery() {
  e2e_wait_dialog "Wiederherstellung" >/dev/null || e2e_fail "no recovery question"
  if [ -n "${E2E_SCREENSHOT_DIR:-}" ]; then
    import -window root "$E2E_SCREENSHOT_DIR/crash_recovery_question.png"
  fi
  xdotool key --delay 150 "$1"
  sleep 0.5
}

save_current() {
  xdotool mousemove --window "$win" 68 36 click 1
  sleep 0.5
}

# 1. kill -9 with a changed file and a changed untitled tab.
start eins.txt "<unbekannt>"
win=$(e2e_wait_window "Quillon 32") || e2e_fail "no window"
xdotool windowfocus --sync "$win" 2>/dev/null || true
sleep 0.5
xdotool type --delay 50 "neu€ä"
xdotool key --delay 80 ctrl+shift+Tab
sleep 0.3
xdotool type --delay 50 "Ä„"
sleep 3
kill -9 "$pid"
wait "$pid" 2>/dev/null || true
e2e_expect_bytes "$work/eins.txt" 'erste\r\n\x80 Zeile\r\n'

start
win=$(e2e_wait_window "Quillon 32") || e2e_fail "no window at the second start"
answer_recovery alt+j
# The untitled text is in front: saving asks for its name.
save_current
e2e_wait_dialog "Sichere Textdatei unter" >/dev/null || e2e_fail "no save dialog for the untitled text"
xdotool type --delay 30 "$work/neu.txt"
xdotool key Return
sleep 0.8
e2e_expect_bytes "$work/neu.txt" 'neu\x80\xe4'
# The file itself was untouched until now.
e2e_expect_bytes "$work/eins.txt" 'erste\r\n\x80 Zeile\r\n'
xdotool windowfocus --sync "$win" 2>/dev/null || true
xdotool key --delay 80 ctrl+shift+Tab
sleep 0.3
save_current
e2e_expect_bytes "$work/eins.txt" '\xc4\x84erste\r\n\x80 Zeile\r\n'

# 2. SIGTERM right after typing: nothing asked, the text kept.
xdotool type --delay 50 "T"
kill -TERM "$pid"
for _ in $(seq 1 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
kill -0 "$pid" 2>/dev/null && e2e_fail "SIGTERM did not end the program"
e2e_expect_bytes "$work/eins.txt" '\xc4\x84erste\r\n\x80 Zeile\r\n'

start
win=$(e2e_wait_window "Quillon 32") || e2e_fail "no window at the third start"
answer_recovery alt+j
save_current
e2e_expect_bytes "$work/eins.txt" 'T\xc4\x84erste\r\n\x80 Zeile\r\n'

# 3. A clean exit leaves no record.
xdotool windowfocus --sync "$win" 2>/dev/null || true
xdotool key --delay 150 alt+d b
if e2e_wait_dialog "Bestätigen" >/dev/null; then xdotool key --delay 150 alt+n; fi
for _ in $(seq 1 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
kill -0 "$pid" 2>/dev/null && e2e_fail "the window did not close"
left=$(find "$work/state" -name '*.qj')
[ -z "$left" ] || e2e_fail "records left after a clean exit: $left"
echo "ok"
