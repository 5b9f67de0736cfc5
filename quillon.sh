#!/usr/bin/env bash
# Installs what is needed, builds Quillon 32 and starts it with the given files.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
bash "$here/tools/install-deps.sh"
cmake -S "$here" -B "$here/build" -DCMAKE_BUILD_TYPE=Release -DQUILLON_TESTS=OFF -DQUILLON_BENCH=OFF >/dev/null
cmake --build "$here/build" --target quillon -j"$(nproc)" >/dev/null
exec "$here/build/quillon" "$@"
