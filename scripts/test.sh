#!/usr/bin/env bash
# Runs every test through ctest under 32-bit Wine with a private Xvfb display.
set -uo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
. "$top/scripts/wine-env.sh"
[ -d "$top/build" ] || { echo "build/ missing: run scripts/setup.sh first" >&2; exit 1; }
cmake --build "$top/build" -j"$(nproc)" || exit 1

XVFB_PID=
cleanup() {
    wineserver -k >/dev/null 2>&1 || true
    [ -n "$XVFB_PID" ] && kill "$XVFB_PID" 2>/dev/null
    return 0
}
trap cleanup EXIT
start_xvfb || exit 1
prepare_prefix
wineserver -p >/dev/null 2>&1 # keep one server for the whole run
# Start Wine's background services now, so none of them inherits (and holds open) a test's output pipe.
timeout 60 wine cmd /c exit >/dev/null 2>&1

cd "$top/build"
ctest --output-on-failure -j"${TEST_JOBS:-$(nproc)}" --timeout 300 "$@"
