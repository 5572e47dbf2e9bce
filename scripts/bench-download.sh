#!/usr/bin/env bash
# Download throughput on loopback: the Updater's engine under Wine (DownloadBench.exe, four ranged
# parts) next to aria2c with four connections and curl with one, natively, from the same local server.
# Then the same with a per-connection rate cap, and the engine's peak memory per package size.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
. "$top/scripts/wine-env.sh"
SUDO=
[ "$(id -u)" -ne 0 ] && SUDO=sudo
for tool in aria2c curl; do
    command -v "$tool" >/dev/null || DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -q aria2 curl >/dev/null
done
cmake --build "$top/build" --target DownloadBench >/dev/null

work=$(mktemp -d)
server_pid=
cleanup() {
    [ -n "$server_pid" ] && kill "$server_pid" 2>/dev/null
    wineserver -k >/dev/null 2>&1 || true
    rm -rf "$work"
}
trap cleanup EXIT
mkdir -p "$work/www" "$work/out"
for mib in 64 256; do head -c $((mib * 1024 * 1024)) /dev/urandom >"$work/www/p$mib.zip"; done
wineserver -p >/dev/null 2>&1
wine cmd /c exit </dev/null >/dev/null 2>&1

start_server() { # rate
    [ -n "$server_pid" ] && kill "$server_pid" 2>/dev/null && wait "$server_pid" 2>/dev/null || true
    coproc SERVER { exec python3 "$top/scripts/ranged_server.py" "$work/www" --rate "$1"; }
    server_pid=$SERVER_PID
    read -r port <&"${SERVER[0]}"
}

now() { date +%s.%N; }
mibps() { echo "scale=1; $1 / 1048576 / $2" | bc -l; }

ours() { # name -> seconds; checks the result
    rm -rf "$work/out"/*
    local md5 line t0 t1
    md5=$(md5sum "$work/www/$1" | cut -d' ' -f1)
    t0=$(now)
    line=$(wine "$top/build/bin/DownloadBench.exe" "http://127.0.0.1:$port/$1" "$md5" "$(winepath -w "$work/out")" | tr -d '\r')
    t1=$(now)
    [[ "$line" == result\ 1\ * ]] || { echo "engine failed: $line" >&2; exit 1; }
    cmp -s "$work/out/update.zip" "$work/www/$1" || { echo "engine result differs" >&2; exit 1; }
    echo "$line wall $(echo "$t1 - $t0" | bc -l)"
}
timed() { # command... -> seconds
    local t0 t1
    t0=$(now)
    "$@" >/dev/null 2>&1
    t1=$(now)
    echo "$t1 - $t0" | bc -l
}
aria() { rm -rf "$work/out"/*; aria2c -q -x4 -s4 -k1M --file-allocation=none --allow-overwrite=true -d "$work/out" -o a.zip "http://127.0.0.1:$port/$1"; }
curl1() { rm -rf "$work/out"/*; curl -s -o "$work/out/c.zip" "http://127.0.0.1:$port/$1"; }

start_server 0
printf '\nLoopback, no cap (MiB/s; seconds)\n'
printf '%-10s %-24s %-24s %-24s %s\n' package "engine (Wine, 4 parts)" "aria2c -x4 (native)" "curl (native)" "engine peak memory"
for mib in 64 256; do
    f=p$mib.zip
    bytes=$((mib * 1048576))
    line=$(ours "$f")
    s_ours=$(echo "$line" | awk '{print $6}')
    peak=$(echo "$line" | awk '{print $8}')
    s_aria=$(timed aria "$f")
    s_curl=$(timed curl1 "$f")
    printf '%-10s %-24s %-24s %-24s %s KiB\n' "$mib MiB" "$(mibps $bytes $s_ours) ($(printf %.2f $s_ours) s)" \
        "$(mibps $bytes $s_aria) ($(printf %.2f $s_aria) s)" "$(mibps $bytes $s_curl) ($(printf %.2f $s_curl) s)" "$peak"
    wall=$(echo "$line" | awk '{print $10}')
    printf '           engine/aria2c throughput: %.2f (with Wine process start-up: %.2f s, %.2f)\n' \
        "$(echo "$s_aria / $s_ours" | bc -l)" "$wall" "$(echo "$s_aria / $wall" | bc -l)"
done

cap=$((8 * 1048576))
start_server $cap
f=p64.zip
bytes=$((64 * 1048576))
line=$(ours "$f")
s_ours=$(echo "$line" | awk '{print $6}')
s_curl=$(timed curl1 "$f")
printf '\nRate cap %d MiB/s per connection, 64 MiB\n' $((cap / 1048576))
printf '%-30s %s MiB/s (%.2f s)\n' "engine (Wine, 4 parts)" "$(mibps $bytes $s_ours)" "$s_ours"
printf '%-30s %s MiB/s (%.2f s)\n' "curl (one stream, native)" "$(mibps $bytes $s_curl)" "$s_curl"
printf 'four parts / one stream: %.2f\n' "$(echo "$s_curl / $s_ours" | bc -l)"
