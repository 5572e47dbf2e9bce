#!/usr/bin/env bash
# ctest's emulator: runs one Windows program under the project's Wine prefix. The x86-64 build's toolchain passes
# "x86_64" first; the 32-bit build passes nothing. The build, not the host, decides which Wine runs it.
# Output goes through a file: Wine processes spawned along the way (the desktop's explorer.exe)
# inherit the program's output and live on, and ctest would wait for them to close its pipe.
top=$(cd "$(dirname "$0")/.." && pwd)
if [ "${1:-}" = x86_64 ]; then
    shift
    export KELNOVA_ROAD=x86_64
else
    export KELNOVA_ROAD=x86
fi
. "$top/scripts/wine-env.sh"
out=$(mktemp)
wine "$@" >"$out" 2>&1 </dev/null
rc=$?
cat "$out"
rm -f "$out"
exit $rc
