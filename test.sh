#!/usr/bin/env bash
# Installs what is needed, builds Quillon 32 with its tests and runs them all.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
bash "$here/tools/install-deps.sh"
cmake -S "$here" -B "$here/build-tests" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUILLON_TESTS=ON -DQUILLON_BENCH=ON
cmake --build "$here/build-tests" -j"$(nproc)"
cd "$here/build-tests"
exec ctest --output-on-failure --timeout 600
