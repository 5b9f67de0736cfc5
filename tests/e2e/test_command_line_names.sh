#!/usr/bin/env bash
# Arguments reach the editor as the shell gave them: names that look like
# options of the toolkit, names with tabs and quotes handed to a running
# window, and names that are not UTF-8 (refused with a message, nothing is
# written under another name).
set -euo pipefail
QUILLON=$(readlink -f "$1")
source "$(dirname "$0")/lib.sh"
e2e_need_x "$@"

work=$(mktemp -d)
pids=()
trap 'e2e_stop "${pids[@]}"; rm -rf "$work"' EXIT
export E2E_SHOT="${E2E_SCREENSHOT_DIR:-$work}/command_line_names_fail.png"
printf '[Options]\r\nNewFiles=1\r\n' > "$work/q.ini"
mkdir "$work/d"
cd "$work/d"

# Waits for a message box of process $1 (a second visible window of it),
# answers it with Return and waits until it is gone.
answer_box() {
  local ok=
  for _ in $(seq 1 100); do
    if [ "$(xdotool search --onlyvisible --pid "$1" 2>/dev/null | wc -l)" -ge 2 ]; then ok=1; break; fi
    sleep 0.1
  done
  [ -n "$ok" ] || return 1
  sleep 0.3
  xdotool key Return
  for _ in $(seq 1 50); do
    [ "$(xdotool search --onlyvisible --pid "$1" 2>/dev/null | wc -l)" -eq 1 ] && return 0
    sleep 0.1
  done
  return 1
}
printf 'stil\n' > s.txt
printf 'reverse\n' > -reverse
printf 'quote\n' > 'q"uote.txt'
printf 'tab\n' > $'tab\tname.txt'
printf 'latin\n' > $'\xe4nd.txt'
printf 'b\n' > b.txt

# The toolkit's own options are file names here.
"$QUILLON" -I "$work/q.ini" -reverse -stylesheet s.txt &
pids+=($!)
first=$!
win=$(e2e_wait_window "$work/d/s.txt : Quillon 32") || e2e_fail "s.txt was taken as a style sheet"
sleep 0.5

# Handed over: each argument stays one name.
timeout 10 "$QUILLON" 'q"uote.txt' $'tab\tname.txt' || e2e_fail "the hand-over did not end"
e2e_wait_window "$work/d/"$'tab\tname.txt'" : Quillon 32" >/dev/null || e2e_fail "the tab name was split"

# Not UTF-8, handed over: the running window says so and opens nothing.
timeout 10 "$QUILLON" $'\xe4nd.txt' || e2e_fail "the hand-over did not end"
answer_box "$first" || e2e_fail "no message about the name"
[ "$(xdotool getwindowname "$win")" = "$work/d/"$'tab\tname.txt'" : Quillon 32" ] \
  || e2e_fail "the window changed its current file: $(xdotool getwindowname "$win")"

# Not UTF-8 on the own command line of a start of its own.
other=$(mktemp -d)
chmod 700 "$other"
XDG_RUNTIME_DIR=$other "$QUILLON" b.txt $'\xe4nd.txt' &
pids+=($!)
answer_box $! || e2e_fail "no message about the name at start-up"
own=$(e2e_wait_window "$work/d/b.txt : Quillon 32") || e2e_fail "b.txt is not current in the own window"
xdotool windowfocus --sync "$own" 2>/dev/null || true
xdotool type --delay 50 'neu'
xdotool key --delay 150 alt+d s
sleep 1
e2e_expect_bytes b.txt 'neub\n'
e2e_expect_bytes $'\xe4nd.txt' 'latin\n'
[ "$(ls | wc -l)" -eq 6 ] || e2e_fail "files were written under other names: $(ls | od -c | head)"
rm -rf "$other"
echo "ok"
