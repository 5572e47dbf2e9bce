#!/usr/bin/env bash
# Extracts two archives with the ZIP layer under Wine and with Debian's unzip natively, five
# rounds each, and prints the wall times and their ratios: a ~140 MiB archive of mixed files,
# then 3,000 small files on their own (the per-file cost). Both outputs are checked against
# unzip's (content and times). BENCH_DIR chooses where they are written (default /tmp).
set -euo pipefail
trap 'echo "bench-extract.sh: failed at line $LINENO" >&2' ERR
top=$(cd "$(dirname "$0")/.." && pwd)
. "$top/scripts/wine-env.sh"
road_line running
require_build
cmake --build "$build_dir" --target zip_bench >/dev/null

work=$(mktemp -d "${BENCH_DIR:-/tmp}/kz-bench.XXXXXX")
XVFB_PID=
cleanup() {
    wineserver -k >/dev/null 2>&1 || true
    [ -n "$XVFB_PID" ] && kill "$XVFB_PID" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

# Mixed content: many small text files, mid-sized binaries, a few large files; stored and deflated.
# Small files: the same kind of small text files alone.
python3 - "$work/bench.zip" "$work/small.zip" <<'PY'
import os, random, sys, zipfile
rng = random.Random(7)
words = [("w%d" % i).encode() for i in range(2000)]
def text(n):
    out = bytearray()
    while len(out) < n:
        out += rng.choice(words) + b" "
    return bytes(out[:n])
def small_files(z):                                         # ~30 MiB of small text files in 30 folders
    for i in range(3000):
        z.writestr("client/res/skin%02d/f%04d.txt" % (i % 30, i), text(rng.randint(2000, 18000)),
                   zipfile.ZIP_DEFLATED)
with zipfile.ZipFile(sys.argv[1], "w") as z:
    small_files(z)
    for i in range(300):                                    # ~75 MiB of binaries, half random
        data = os.urandom(128 * 1024) + text(128 * 1024)
        z.writestr("client/bin/lib%03d.dll" % i, data, zipfile.ZIP_DEFLATED)
    for i in range(4):                                      # ~96 MiB of large files
        data = text(12 * 1024 * 1024) + os.urandom(12 * 1024 * 1024)
        method = zipfile.ZIP_STORED if i % 2 else zipfile.ZIP_DEFLATED
        z.writestr("client/data/pack%d.dat" % i, data, method)
with zipfile.ZipFile(sys.argv[2], "w") as z:
    small_files(z)
PY

start_xvfb >/dev/null
prepare_prefix
wineserver -p >/dev/null 2>&1 || true # a server of this prefix that already runs serves as well
wine cmd.exe /c exit </dev/null >/dev/null 2>&1 || true # only starts the session's service processes

elapsed() { local s e; s=$(date +%s.%N); "$@" >/dev/null; e=$(date +%s.%N); echo "$e - $s" | bc; }
# Every file with its size and write time, so that a tree check also covers the times.
listing() { (cd "$1" && find . -type f -printf '%P %s %TY-%Tm-%Td %TH:%TM:%TS\n' | sed 's/\.[0-9]*$//' | sort); }
status=0

# bench <archive> <label>: sets best_ours, best_unzip, median
bench() {
    local zip=$1 label=$2 round t u wzip wout
    best_ours= best_unzip=
    local ratios=()
    wzip=$(winepath -w "$zip")
    wout=$(winepath -w "$work/ours")
    for round in 1 2 3 4 5; do
        rm -rf "$work/ours" "$work/native"; mkdir -p "$work/ours" "$work/native"
        sync; sleep 1
        # Alternate which one goes first so that neither always meets the other's write-back.
        if (( round % 2 )); then
            t=$(elapsed wine "$build_dir/tests/zip_bench.exe" "$wzip" "$wout")
            sync; sleep 1
            u=$(elapsed unzip -q -o "$zip" -d "$work/native")
        else
            u=$(elapsed unzip -q -o "$zip" -d "$work/native")
            sync; sleep 1
            t=$(elapsed wine "$build_dir/tests/zip_bench.exe" "$wzip" "$wout")
        fi
        ratios+=("$(echo "$t / $u" | bc -l)")
        printf "%sround %d: ours %.3f s, unzip %.3f s, ratio %.2f\n" "$label" "$round" "$t" "$u" "${ratios[-1]}"
        if [ -z "$best_ours" ] || (( $(echo "$t < $best_ours" | bc) )); then best_ours=$t; fi
        if [ -z "$best_unzip" ] || (( $(echo "$u < $best_unzip" | bc) )); then best_unzip=$u; fi
    done
    if diff -r "$work/ours" "$work/native" >/dev/null && diff <(listing "$work/ours") <(listing "$work/native") >/dev/null; then
        echo "${label}trees identical (content and write times)"
    else
        echo "${label}TREES DIFFER"
        status=1
    fi
    median=$(printf "%s\n" "${ratios[@]}" | sort -g | sed -n 3p)
}

bench "$work/bench.zip" ""
echo "archive $(du -sm "$work/bench.zip" | cut -f1) MiB, extracted $(du -sm "$work/native" | cut -f1) MiB"
printf "ZIP layer under Wine: %.3f s (best)\nunzip natively:       %.3f s (best)\nratio of the bests:   %.2f\nmedian round ratio:   %.2f\n" \
    "$best_ours" "$best_unzip" "$(echo "$best_ours / $best_unzip" | bc -l)" "$median"

bench "$work/small.zip" "small files "
printf "small files: median round ratio %.2f, ratio of the bests %.2f (ours %.3f s, unzip %.3f s; 3000 files, %s MiB)\n" \
    "$median" "$(echo "$best_ours / $best_unzip" | bc -l)" "$best_ours" "$best_unzip" "$(du -sm "$work/native" | cut -f1)"
exit $status
