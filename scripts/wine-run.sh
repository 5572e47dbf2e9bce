#!/usr/bin/env bash
# ctest's emulator: runs one Windows program under the project's Wine prefix.
top=$(cd "$(dirname "$0")/.." && pwd)
. "$top/scripts/wine-env.sh"
exec wine "$@"
