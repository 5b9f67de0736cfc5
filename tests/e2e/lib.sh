# Helpers of the end-to-end tests: a real X server, the real program, real keys.
# Sourced by the test scripts; $QUILLON is the executable under test.

# Re-runs the calling script inside its own X server when there is none.
e2e_need_x() {
  # Settings of the program under test never go to the real home.
  if [ -z "${XDG_CONFIG_HOME:-}" ] || [ -z "${E2E_IN_XVFB:-}" ]; then
    export XDG_CONFIG_HOME
    XDG_CONFIG_HOME=$(mktemp -d)
  fi
  if [ -z "${E2E_IN_XVFB:-}" ]; then
    # Each run has its own single-instance marker folder: an instance of
    # another test (or of the user) never receives this test's files.
    export XDG_RUNTIME_DIR
    XDG_RUNTIME_DIR=$(mktemp -d)
    chmod 700 "$XDG_RUNTIME_DIR"
    export E2E_IN_XVFB=1
    local status=0
    e2e_run_in_own_x bash "$0" "$@" || status=$?
    exit "$status"
  fi
}

# Runs the command in an X server of its own. Xvfb picks a free display
# itself and writes its number to a descriptor (-displayfd): choosing one, as
# `xvfb-run -a` does, before starting races with X servers started at the
# same moment.
e2e_run_in_own_x() {
  local named xpid display status
  named=$(mktemp)
  # -noreset: the server would otherwise start over whenever its last client
  # leaves (after setxkbmap, say), dropping the layout and refusing the
  # next client for a moment.
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset 3>"$named" 2>/dev/null &
  xpid=$!
  for _ in $(seq 1 100); do
    # The number is complete once its line ends.
    [ "$(wc -l <"$named")" -ge 1 ] && break
    kill -0 "$xpid" 2>/dev/null || break
    sleep 0.1
  done
  display=$(head -n 1 "$named")
  rm -f "$named"
  if [ -z "$display" ]; then
    kill "$xpid" 2>/dev/null
    echo "SKIP: Xvfb did not start" >&2
    return 77
  fi
  # The scripts run under `set -e`: a failing run must still end the server.
  status=0
  DISPLAY=":$display" "$@" || status=$?
  kill "$xpid" 2>/dev/null
  wait "$xpid" 2>/dev/null
  return "$status"
}

e2e_fail() {
  echo "FAIL: $*" >&2
  [ -n "${E2E_SHOT:-}" ] && import -window root "$E2E_SHOT" 2>/dev/null || true
  exit 1
}

# Waits for a window whose title matches $1; prints its id.
e2e_wait_window() {
  local id
  for _ in $(seq 1 100); do
    for id in $(xdotool search --classname quillon 2>/dev/null); do
      if xdotool getwindowname "$id" 2>/dev/null | grep -qF -- "$1"; then
        echo "$id"
        return 0
      fi
    done
    sleep 0.1
  done
  return 1
}

# Compares a file with the bytes given as a printf format.
e2e_expect_bytes() {
  local file=$1 format=$2
  if ! cmp -s "$file" <(printf "$format"); then
    echo "bytes of $file:" >&2
    od -c "$file" >&2
    e2e_fail "$file differs from the expected bytes"
  fi
}

# Waits for a window titled exactly $1 (a dialog of the program) and gives
# it the keyboard; prints its id.
e2e_wait_dialog() {
  local id
  for _ in $(seq 1 100); do
    id=$(xdotool search --name "^$1\$" 2>/dev/null | tail -n 1) || true
    if [ -n "$id" ]; then
      xdotool windowfocus --sync "$id" 2>/dev/null || true
      sleep 0.2
      echo "$id"
      return 0
    fi
    sleep 0.1
  done
  return 1
}

# Ends the given processes and waits until they are gone: a program ended by
# SIGTERM closes as the user would and writes its settings, so removing the
# work folder before it has ended races with that write. With -9 it is
# killed at once. Processes that do not end within 10 s are killed.
e2e_stop() {
  local signal=TERM p
  if [ "${1:-}" = -9 ]; then signal=KILL; shift; fi
  for p in "$@"; do
    [ -n "$p" ] || continue
    kill -CONT "$p" 2>/dev/null || true
    kill -s "$signal" "$p" 2>/dev/null || true
  done
  for p in "$@"; do
    [ -n "$p" ] || continue
    for _ in $(seq 1 100); do
      kill -0 "$p" 2>/dev/null || break
      sleep 0.1
    done
    kill -9 "$p" 2>/dev/null || true
    wait "$p" 2>/dev/null || true
  done
}
