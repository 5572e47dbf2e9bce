#!/usr/bin/env bash
# Extracts the same ~200 MiB archive of mixed files with the ZIP layer under Wine and with
# Debian's unzip natively, and prints both wall times and their ratio.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
. "$top/scripts/wine-env.sh"
cmake --build "$top/build" --target zip_bench >/dev/null

work=$(mktemp -d /tmp/kz-bench.XXXXXX)
XVFB_PID=
cleanup() {
    wineserver -k >/dev/null 2>&1 || true
    [ -n "$XVFB_PID" ] && kill "$XVFB_PID" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

# Mixed content: many small text files, mid-sized binaries, a few large files; stored and deflated.
python3 - "$work/bench.zip" <<'PY'
import os, random, sys, zipfile
rng = random.Random(7)
words = [("w%d" % i).encode() for i in range(2000)]
def text(n):
    out = bytearray()
    while len(out) < n:
        out += rng.choice(words) + b" "
    return bytes(out[:n])
with zipfile.ZipFile(sys.argv[1], "w") as z:
    for i in range(3000):                                   # ~30 MiB of small text files in 30 folders
        z.writestr("client/res/skin%02d/f%04d.txt" % (i % 30, i), text(rng.randint(2000, 18000)),
                   zipfile.ZIP_DEFLATED)
    for i in range(300):                                    # ~75 MiB of binaries, half random
        data = os.urandom(128 * 1024) + text(128 * 1024)
        z.writestr("client/bin/lib%03d.dll" % i, data, zipfile.ZIP_DEFLATED)
    for i in range(4):                                      # ~96 MiB of large files
        data = text(12 * 1024 * 1024) + os.urandom(12 * 1024 * 1024)
        method = zipfile.ZIP_STORED if i % 2 else zipfile.ZIP_DEFLATED
        z.writestr("client/data/pack%d.dat" % i, data, method)
PY

size=$(du -sm "$work/bench.zip" | cut -f1)
start_xvfb >/dev/null
prepare_prefix
wineserver -p >/dev/null 2>&1
wine cmd.exe /c exit </dev/null >/dev/null 2>&1

elapsed() { local s e; s=$(date +%s.%N); "$@" >/dev/null; e=$(date +%s.%N); echo "$e - $s" | bc; }
best_ours= best_unzip=
ratios=()
for round in 1 2 3 4 5; do
    rm -rf "$work/ours" "$work/native"; mkdir -p "$work/ours" "$work/native"
    sync; sleep 1
    # Alternate which one goes first so that neither always meets the other's write-back.
    if (( round % 2 )); then
        t=$(elapsed wine "$top/build/tests/zip_bench.exe" "$(winepath -w "$work/bench.zip")" "$(winepath -w "$work/ours")")
        sync; sleep 1
        u=$(elapsed unzip -q -o "$work/bench.zip" -d "$work/native")
    else
        u=$(elapsed unzip -q -o "$work/bench.zip" -d "$work/native")
        sync; sleep 1
        t=$(elapsed wine "$top/build/tests/zip_bench.exe" "$(winepath -w "$work/bench.zip")" "$(winepath -w "$work/ours")")
    fi
    ratios+=("$(echo "$t / $u" | bc -l)")
    printf "round %d: ours %.3f s, unzip %.3f s, ratio %.2f\n" "$round" "$t" "$u" "${ratios[-1]}"
    if [ -z "$best_ours" ] || (( $(echo "$t < $best_ours" | bc) )); then best_ours=$t; fi
    if [ -z "$best_unzip" ] || (( $(echo "$u < $best_unzip" | bc) )); then best_unzip=$u; fi
done
diff -r "$work/ours" "$work/native" >/dev/null && echo "trees identical" || echo "TREES DIFFER"
total=$(du -sm "$work/native" | cut -f1)
echo "archive ${size} MiB, extracted ${total} MiB"
median=$(printf "%s\n" "${ratios[@]}" | sort -g | sed -n 3p)
printf "ZIP layer under Wine: %.3f s (best)\nunzip natively:       %.3f s (best)\nratio of the bests:   %.2f\nmedian round ratio:   %.2f\n" \
    "$best_ours" "$best_unzip" "$(echo "$best_ours / $best_unzip" | bc -l)" "$median"
