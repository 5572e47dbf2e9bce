#!/usr/bin/env bash
# ctest's emulator: runs one Windows program under the project's Wine prefix.
# Output goes through a file: Wine processes spawned along the way (the desktop's explorer.exe)
# inherit the program's output and live on, and ctest would wait for them to close its pipe.
top=$(cd "$(dirname "$0")/.." && pwd)
. "$top/scripts/wine-env.sh"
out=$(mktemp)
wine "$@" >"$out" 2>&1 </dev/null
rc=$?
cat "$out"
rm -f "$out"
exit $rc
