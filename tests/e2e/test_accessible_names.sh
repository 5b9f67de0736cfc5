#!/usr/bin/env bash
# Reads the running program as a screen reader does (AT-SPI): every button,
# check box, field, list and tab row has a name, the text control reads a
# Windows-1252 file's text and caret exactly, and the about box and the fields
# of the go-to-line and replace dialogs are named.
set -euo pipefail
QUILLON=$(readlink -f "$1")
source "$(dirname "$0")/lib.sh"
here=$(cd "$(dirname "$0")" && pwd)
python=/usr/bin/python3
launcher=/usr/libexec/at-spi-bus-launcher

[ -x "$launcher" ] || { echo "SKIP: no $launcher (package at-spi2-core)" >&2; exit 77; }
"$python" -c 'import pyatspi' 2>/dev/null || { echo "SKIP: no pyatspi (package python3-pyatspi)" >&2; exit 77; }
command -v dbus-run-session >/dev/null || { echo "SKIP: no dbus-run-session" >&2; exit 77; }
e2e_need_x "$@"

# A session bus of our own: the program and the reader never meet another
# test's or the user's desktop.
if [ -z "${E2E_IN_DBUS:-}" ]; then
  export E2E_IN_DBUS=1
  status=0
  dbus-run-session -- bash "$0" "$@" || status=$?
  exit "$status"
fi

work=$(mktemp -d)
pid=
trap 'e2e_stop "${pid:-}"; rm -rf "$work"' EXIT
export E2E_SHOT="${E2E_SCREENSHOT_DIR:-$work}/accessible_names_fail.png"
export XDG_CONFIG_HOME="$work/config"
export QT_ACCESSIBILITY=1 QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1

# The accessibility bus is started on demand through the session bus.
bus_ok=
for _ in $(seq 1 50); do
  if dbus-send --session --print-reply --dest=org.a11y.Bus /org/a11y/bus org.a11y.Bus.GetAddress >/dev/null 2>&1; then
    bus_ok=1
    break
  fi
  sleep 0.1
done
[ -n "$bus_ok" ] || { echo "SKIP: the accessibility bus does not start" >&2; exit 77; }

# "Grüße „Zitat“ 15 €" in Windows-1252.
file="$work/grüße.txt"
printf 'Gr\xfc\xdfe \x84Zitat\x93 15 \x80' >"$file"

"$QUILLON" "$file" &
pid=$!
# Starting with the accessibility bridge takes longer on a busy machine.
win=
for _ in 1 2 3; do
  win=$(e2e_wait_window "grüße.txt : Quillon 32") && break
done
[ -n "$win" ] || e2e_fail "no main window"
xdotool windowfocus --sync "$win" 2>/dev/null || true
sleep 0.5
xdotool key ctrl+End
sleep 0.3
"$python" "$here/a11y_tree.py" main "$pid" "$file" 18 || e2e_fail "the main window as a screen reader reads it"

# Hilfe > Info...: the arrows paging the box show no text.
xdotool key --delay 150 alt+h i
e2e_wait_dialog "Infos" >/dev/null || e2e_fail "no about box"
"$python" "$here/a11y_tree.py" dialog "$pid" "Infos" --no-fields || e2e_fail "the about box as a screen reader reads it"
xdotool key Return
sleep 0.3

# Suchen > Gehe zu Zeile...
xdotool key --delay 150 alt+s z
e2e_wait_dialog "Neue Zeilennummer" >/dev/null || e2e_fail "no go-to-line dialog"
"$python" "$here/a11y_tree.py" dialog "$pid" "Neue Zeilennummer" || e2e_fail "the go-to-line dialog as a screen reader reads it"
xdotool key Escape
sleep 0.3

xdotool key ctrl+r
e2e_wait_dialog "Ersetzen" >/dev/null || e2e_fail "no replace dialog"
"$python" "$here/a11y_tree.py" dialog "$pid" "Ersetzen" || e2e_fail "the replace dialog as a screen reader reads it"
xdotool key Escape
sleep 0.3

kill "$pid"
wait "$pid" 2>/dev/null || true
pid=
echo "ok"
