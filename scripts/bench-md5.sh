#!/usr/bin/env bash
# Digest of a 512 MiB file: the Updater's MD5 under Wine next to Debian's md5sum, same file, warm cache.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
. "$top/scripts/wine-env.sh"
road_line running
require_build
cmake --build "$build_dir" --target Md5Bench >/dev/null

work=$(mktemp -d)
trap 'rm -rf "$work"; wineserver -k >/dev/null 2>&1 || true' EXIT
file="$work/package.bin"
head -c $((512 * 1024 * 1024)) /dev/urandom >"$file"
cat "$file" >/dev/null # warm the page cache for both readers
prepare_prefix # a fresh prefix: the persistent server below needs one
wineserver -p >/dev/null 2>&1
wine cmd /c exit </dev/null >/dev/null 2>&1 # start Wine once so its start-up is not timed

t0=$(date +%s.%N)
ref=$(md5sum "$file" | cut -d' ' -f1)
t1=$(date +%s.%N)
ours=$(wine "$build_dir/bin/Md5Bench.exe" "$(winepath -w "$file")" | tr -d '\r')
t2=$(date +%s.%N)

md5sum_s=$(echo "$t1 - $t0" | bc -l)
ours_inner=$(echo "$ours" | awk '{print $4}')
ours_wall=$(echo "$t2 - $t1" | bc -l)
printf '%-28s %-34s %8s\n' "reader" "digest" "seconds"
printf '%-28s %-34s %8.3f\n' "md5sum (native)" "$ref" "$md5sum_s"
printf '%-28s %-34s %8.3f\n' "Md5Bench (Wine, digest)" "$(echo "$ours" | awk '{print $2}')" "$ours_inner"
printf '%-28s %-34s %8.3f\n' "Md5Bench (Wine, wall)" "" "$ours_wall"
printf 'ratio digest/md5sum: %.2f   wall/md5sum: %.2f\n' "$(echo "$ours_inner / $md5sum_s" | bc -l)" \
    "$(echo "$ours_wall / $md5sum_s" | bc -l)"
[ "$ref" = "$(echo "$ours" | awk '{print $2}')" ] && echo "digests match" || { echo "DIGESTS DIFFER"; exit 1; }
