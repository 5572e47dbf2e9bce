#!/usr/bin/env bash
# Applies the tree's one style (.clang-format) to our C and C++ sources; with --check it changes
# nothing and fails when a file differs from that style.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"
command -v clang-format >/dev/null || { echo "clang-format missing: run scripts/setup.sh" >&2; exit 1; }
mapfile -d '' files < <(find Common Launcher Portvane qenUpdater uitoolkit tests examples \
    -type f \( -name '*.cpp' -o -name '*.h' -o -name '*.c' \) -print0 2>/dev/null | sort -z)
if [ "${1:-}" = --check ]; then
    clang-format --dry-run --Werror "${files[@]}"
else
    clang-format -i "${files[@]}"
fi
