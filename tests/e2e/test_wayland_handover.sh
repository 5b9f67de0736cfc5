#!/usr/bin/env bash
# The program on a Wayland desktop (headless weston): it runs natively, a
# second start hands its file over within 3 s and ends, the running window
# shows both tabs (read through AT-SPI, which does not depend on the display
# server), and it ends cleanly, leaving no marker behind.
set -euo pipefail
QUILLON=$(readlink -f "$1")
here=$(cd "$(dirname "$0")" && pwd)
source "$here/lib.sh"
python=/usr/bin/python3
launcher=/usr/libexec/at-spi-bus-launcher
plugin=$(ls /usr/lib/*/qt6/plugins/platforms/libqwayland-generic.so 2>/dev/null | head -1 || true)

command -v weston >/dev/null || { echo "SKIP: no weston (package weston)" >&2; exit 77; }
[ -n "$plugin" ] || { echo "SKIP: no Qt Wayland platform (package qt6-wayland)" >&2; exit 77; }
[ -x "$launcher" ] || { echo "SKIP: no $launcher (package at-spi2-core)" >&2; exit 77; }
"$python" -c 'import pyatspi' 2>/dev/null || { echo "SKIP: no pyatspi (package python3-pyatspi)" >&2; exit 77; }
command -v dbus-run-session >/dev/null || { echo "SKIP: no dbus-run-session" >&2; exit 77; }

if [ -z "${E2E_IN_DBUS:-}" ]; then
  export E2E_IN_DBUS=1
  status=0
  dbus-run-session -- bash "$0" "$@" || status=$?
  exit "$status"
fi

work=$(mktemp -d)
wpid=
pid=
cleanup() {
  e2e_stop "$pid"
  e2e_stop "$wpid"
  rm -rf "$work"
}
trap cleanup EXIT
fail() {
  echo "FAIL: $*" >&2
  [ -f "$work/weston.log" ] && tail -20 "$work/weston.log" >&2
  exit 1
}

# A compositor, a marker folder and settings of this test's own.
export XDG_RUNTIME_DIR="$work/run" XDG_CONFIG_HOME="$work/config"
mkdir -m 700 "$XDG_RUNTIME_DIR"
unset DISPLAY
weston --backend=headless-backend.so --socket=quillon-e2e --idle-time=0 --no-config >"$work/weston.log" 2>&1 &
wpid=$!
for _ in $(seq 1 100); do
  [ -S "$XDG_RUNTIME_DIR/quillon-e2e" ] && break
  kill -0 "$wpid" 2>/dev/null || { echo "SKIP: weston does not start here" >&2; tail -5 "$work/weston.log" >&2; exit 77; }
  sleep 0.1
done
[ -S "$XDG_RUNTIME_DIR/quillon-e2e" ] || { echo "SKIP: weston opened no socket" >&2; exit 77; }
export WAYLAND_DISPLAY=quillon-e2e QT_QPA_PLATFORM=wayland
export QT_ACCESSIBILITY=1 QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1

# An existing settings file: closing asks nothing.
mkdir -p "$XDG_CONFIG_HOME/Quillon/quillon"
: >"$XDG_CONFIG_HOME/Quillon/quillon/quillon.ini"
printf 'eins\n' >"$work/a.txt"
printf 'zwei\n' >"$work/b b.txt"
cd "$work"
"$QUILLON" a.txt 2>"$work/first.log" &
pid=$!
marker=
for _ in $(seq 1 150); do
  marker=$(ls "$XDG_RUNTIME_DIR"/Quillon_32-*.socket 2>/dev/null || true)
  [ -n "$marker" ] && break
  kill -0 "$pid" 2>/dev/null || fail "the first start ended: $(cat "$work/first.log")"
  sleep 0.1
done
[ -n "$marker" ] || fail "the first window never listened for later starts"
grep -q "wayland" /proc/"$pid"/maps || fail "the program does not use the Wayland platform"

start=$(date +%s%N)
XDG_ACTIVATION_TOKEN=e2e-token timeout 10 "$QUILLON" "b b.txt" || fail "the second start did not end by itself"
took=$(( ($(date +%s%N) - start) / 1000000 ))
[ "$took" -lt 3000 ] || fail "the second start took $took ms"
[ "$(pgrep -c -x quillon -P $$ || true)" -le 1 ] || fail "a second instance runs"

"$python" "$here/a11y_tree.py" tabs "$pid" a.txt "b b.txt" || fail "the running window does not show both files"
"$python" "$here/a11y_tree.py" quit "$pid" || fail "Datei > Beenden cannot be chosen"
for _ in $(seq 1 50); do
  kill -0 "$pid" 2>/dev/null || break
  sleep 0.1
done
kill -0 "$pid" 2>/dev/null && fail "the window did not end"
status=0
wait "$pid" || status=$?
pid=
[ "$status" -eq 0 ] || fail "the window ended with status $status"
[ ! -e "$marker" ] || fail "the marker was left behind"
echo "PASS: handed over in $took ms under Wayland"
