#!/bin/bash
# The include checker must see each kind of breach, or a green run of it on
# src/ would say nothing.
set -u
checker=$1
tree=$(mktemp -d)
trap 'rm -rf "$tree"' EXIT
mkdir -p "$tree"/platform/core "$tree"/editor "$tree"/app
printf '#include "app/Window.h"\n' >"$tree"/platform/Low.h
printf '#pragma once\n' >"$tree"/app/Window.h
printf '#include "editor/View.h"\n' >"$tree"/platform/core/Bytes.cpp
printf '#include "editor/View.h"\n' >"$tree"/editor/Frame.cpp
printf '#include "editor/Frame.h"\n' >"$tree"/editor/View.cpp
printf '#pragma once\n' >"$tree"/editor/View.h
printf '#pragma once\n' >"$tree"/editor/Frame.h
out=$(python3 "$checker" "$tree")
rc=$?
fail() { echo "FAIL: $*"; echo "$out"; exit 1; }
[ $rc -eq 1 ] || fail "exit code $rc, expected 1"
grep -q 'platform/Low.h includes app/Window.h' <<<"$out" || fail "upward include not seen"
grep -q 'platform/core/Bytes.cpp includes editor/View.h' <<<"$out" || fail "core using widgets not seen"
grep -q 'include circle: editor/Frame <-> editor/View' <<<"$out" || fail "circle not seen"
# The include from core is reported twice: as upward and as core-to-widget.
[ "$(wc -l <<<"$out")" -eq 4 ] || fail "expected 4 lines"
echo "ok"
