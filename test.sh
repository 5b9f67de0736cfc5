#!/usr/bin/env bash
# Installs what is needed, builds Quillon 32 with its tests and runs them all
# twice: in the normal build (build-tests/) and in a build with
# AddressSanitizer and UndefinedBehaviorSanitizer (build-asan/). Prints the
# CTest summary of each; the last line sums up both runs. Exits non-zero
# when a build or a test of either fails.
set -uo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
bash "$here/tools/install-deps.sh" || exit 1
jobs="$(nproc)"

# Builds into $1 with the CMake options that follow, runs the tests there and
# leaves CTest's summary line in $summary.
run_suite() {
  local dir=$1 log
  shift
  summary=
  cmake -S "$here" -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUILLON_TESTS=ON "$@" || return 1
  cmake --build "$dir" -j"$jobs" || return 1
  log="$dir/ctest.log"
  (cd "$dir" && ctest --output-on-failure --timeout 900) 2>&1 | tee "$log"
  local status=${PIPESTATUS[0]}
  summary=$(grep -E '^[0-9]+% tests passed, [0-9]+ tests failed out of [0-9]+' "$log" | tail -n 1)
  return "$status"
}

run_suite "$here/build-tests" -DQUILLON_BENCH=ON
normal_status=$?
normal_summary=$summary
echo
echo "== Sanitizer build (AddressSanitizer, UndefinedBehaviorSanitizer): build-asan/"
run_suite "$here/build-asan" -DQUILLON_SANITIZE=ON -DQUILLON_BENCH=OFF
asan_status=$?
asan_summary=$summary

echo
echo "== build-tests: ${normal_summary:-no test summary (build failed?)}"
echo "== build-asan:  ${asan_summary:-no test summary (build failed?)}"
# Both runs in CTest's own words.
read -r passed total < <(printf '%s\n%s\n' "$normal_summary" "$asan_summary" | awk '
  /tests passed/ { total += $NF; failed += $4 } END { print total - failed, total }')
failed=$((total - passed))
if [ "$normal_status" -ne 0 ] || [ "$asan_status" -ne 0 ] || [ "$failed" -ne 0 ] \
   || [ -z "$normal_summary" ] || [ -z "$asan_summary" ]; then
  status=1
else
  status=0
fi
if [ "$total" -gt 0 ]; then
  percent=$((passed * 100 / total))
  [ "$failed" -gt 0 ] && [ "$percent" -gt 99 ] && percent=99
  echo "${percent}% tests passed, ${failed} tests failed out of ${total}"
else
  echo "0% tests passed, 0 tests failed out of 0"
fi
exit "$status"
