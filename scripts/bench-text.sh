#!/usr/bin/env bash
# Long texts on the toolkit's paint and build paths: a list item's text painted, a rich edit built from
# markup and laid out. Release build, ordinary heap (the bench links no debug heap), Wine under Xvfb.
# An argument scales the longest cases (2 doubles them).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
. "$top/scripts/wine-env.sh"
road_line running
require_build
cmake --build "$build_dir" --target uitoolkit_text_bench >/dev/null

XVFB_PID=
cleanup() {
    wineserver -k >/dev/null 2>&1 || true
    [ -n "$XVFB_PID" ] && kill "$XVFB_PID" 2>/dev/null
    return 0
}
trap cleanup EXIT
start_xvfb
prepare_prefix
wineserver -p >/dev/null 2>&1
wine cmd /c exit </dev/null >/dev/null 2>&1 # Wine's start-up is not timed
out=$(mktemp)
wine "$build_dir/tests/uitoolkit_text_bench.exe" "${1:-1}" >"$out" 2>&1 </dev/null
tr -d '\r' <"$out"
rm -f "$out"
