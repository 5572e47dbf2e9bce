#!/usr/bin/env bash
# Download on loopback, the same work from the same server: Debian's nginx-light serves a package
# from /dev/shm; the Updater's engine (DownloadBench.exe under Wine: four ranged parts, merge, MD5,
# rename) against aria2c with four connections and its MD5 check, both timed as whole processes from
# start to exit (output to a file, never a pipe) with a persistent wineserver, best and median of
# RUNS (default 5), for 64 and 256 MiB. Then four parts against one stream at a per-connection rate
# cap, and the engine's peak memory. Not a test; CI does not run it.
# Installs nginx-light, aria2 and curl with apt-get when they are missing (needs root or sudo); the
# bench runs its own nginx on a free loopback port with a configuration of its own.
set -euo pipefail
trap 'echo "bench-download: failed at line $LINENO" >&2' ERR
top=$(cd "$(dirname "$0")/.." && pwd)
# A prefix of its own: its persistent wineserver and the final "wineserver -k" leave test runs alone.
. "$top/scripts/road.sh"
choose_road
export WINEPREFIX="${WINEPREFIX:-$ROAD_BUILD/wineprefix-bench}"
. "$top/scripts/wine-env.sh"
road_line running
require_build
RUNS=${RUNS:-5}
SUDO=
[ "$(id -u)" -ne 0 ] && SUDO=sudo
if ! command -v aria2c >/dev/null || ! command -v curl >/dev/null || ! [ -x /usr/sbin/nginx ]; then
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -q nginx-light aria2 curl >/dev/null
fi
cmake --build "$build_dir" --target DownloadBench >/dev/null

work=$(mktemp -d /dev/shm/bench-download.XXXXXX)
cleanup() {
    [ -f "$work/nginx.pid" ] && kill "$(cat "$work/nginx.pid")" 2>/dev/null
    wineserver -k >/dev/null 2>&1 || true
    rm -rf "$work"
}
trap cleanup EXIT
mkdir -p "$work/www" "$work/out" "$work/tmp"
chmod 755 "$work" "$work/www"   # nginx workers run as another user
for mib in 64 256; do head -c $((mib * 1024 * 1024)) /dev/urandom >"$work/www/p$mib.zip"; done

port=
start_nginx() { # per-connection rate in bytes/s, 0 for none
    [ -f "$work/nginx.pid" ] && kill "$(cat "$work/nginx.pid")" 2>/dev/null && sleep 0.5
    port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])')
    cat >"$work/nginx.conf" <<EOF
worker_processes 4;
pid $work/nginx.pid;
error_log $work/error.log;
events { worker_connections 256; }
http {
    access_log off;
    sendfile on;
    client_body_temp_path $work/tmp;
    proxy_temp_path $work/tmp;
    fastcgi_temp_path $work/tmp;
    uwsgi_temp_path $work/tmp;
    scgi_temp_path $work/tmp;
    types { application/zip zip; }
    server {
        listen 127.0.0.1:$port;
        root $work/www;
        limit_rate $1;
    }
}
EOF
    /usr/sbin/nginx -c "$work/nginx.conf" -p "$work"
    for _ in $(seq 50); do [ -f "$work/nginx.pid" ] && break; sleep 0.1; done
}

[ -d "$WINEPREFIX" ] || { wineboot -i >/dev/null 2>&1; wineserver -w; }
wineserver -k >/dev/null 2>&1 || true   # the prefix is the bench's own: start from no server
wineserver -w >/dev/null 2>&1 || true
wineserver -p >/dev/null 2>&1 || true
wine cmd /c exit </dev/null >/dev/null 2>&1 || true   # Wine's helper processes start once, not in a timed run

now() { date +%s.%N; }
winout=$(winepath -w "$work/out")

ours() { # name -> whole-process seconds; checks the result
    rm -rf "$work/out"/*
    local md5=$1 t0 t1 line
    t0=$(now)
    wine "$build_dir/bin/DownloadBench.exe" "http://127.0.0.1:$port/$2" "$md5" "$winout" </dev/null >"$work/ours.txt" 2>/dev/null || true
    t1=$(now)
    line=$(tr -d '\r' <"$work/ours.txt" | grep '^result' | tail -1)
    [[ "$line" == result\ 1\ * ]] || { echo "engine failed: $line" >&2; exit 1; }
    cmp -s "$work/out/update.zip" "$work/www/$2" || { echo "engine result differs" >&2; exit 1; }
    echo "$t1 - $t0" | bc -l
}
aria() { # md5 name -> whole-process seconds
    rm -rf "$work/out"/*
    local t0 t1
    t0=$(now)
    aria2c -q -x4 -s4 -k1M --file-allocation=none --allow-overwrite=true --checksum=md5="$1" \
        -d "$work/out" -o a.zip "http://127.0.0.1:$port/$2" </dev/null >"$work/aria.txt" 2>&1 || true
    t1=$(now)
    cmp -s "$work/out/a.zip" "$work/www/$2" || { echo "aria2c result differs" >&2; exit 1; }
    echo "$t1 - $t0" | bc -l
}
stats() { # seconds... -> "best median"
    printf '%s\n' "$@" | sort -g | awk '{v[NR]=$1} END {printf "%.3f %.3f", v[1], (NR%2 ? v[(NR+1)/2] : (v[NR/2]+v[NR/2+1])/2)}'
}

echo "load before: $(uptime)"
start_nginx 0
printf '\nLoopback, nginx, whole processes, %d runs alternating (seconds)\n' "$RUNS"
printf '%-8s %-22s %-22s %s\n' package "engine best/median" "aria2c+md5 best/med" "aria2c/engine (median; best)"
for mib in 64 256; do
    f=p$mib.zip
    md5=$(md5sum "$work/www/$f" | cut -d' ' -f1)
    ours "$md5" "$f" >/dev/null; aria "$md5" "$f" >/dev/null   # warm both
    a=(); b=()
    for _ in $(seq "$RUNS"); do
        a+=("$(ours "$md5" "$f")")
        b+=("$(aria "$md5" "$f")")
    done
    read -r a_best a_med <<<"$(stats "${a[@]}")"
    read -r b_best b_med <<<"$(stats "${b[@]}")"
    printf '%-8s %-22s %-22s %.2fx; %.2fx\n' "$mib MiB" "$a_best / $a_med" "$b_best / $b_med" \
        "$(echo "$b_med / $a_med" | bc -l)" "$(echo "$b_best / $a_best" | bc -l)"
    echo "         engine: ${a[*]}"
    echo "         aria2c: ${b[*]}"
    echo "         engine's own line: $(tr -d '\r' <"$work/ours.txt" | grep '^result')"
done

cap=$((8 * 1048576))
start_nginx $cap
f=p64.zip
md5=$(md5sum "$work/www/$f" | cut -d' ' -f1)
s_ours=$(ours "$md5" "$f")
t0=$(now)
curl -s -o "$work/out/c.zip" "http://127.0.0.1:$port/$f" </dev/null >/dev/null 2>&1
t1=$(now)
s_one=$(echo "$t1 - $t0" | bc -l)
bytes=$((64 * 1048576))
printf '\nRate cap %d MiB/s per connection, 64 MiB, nginx\n' $((cap / 1048576))
printf '%-34s %.1f MiB/s (%.2f s)\n' "engine (Wine, 4 parts, whole)" "$(echo "$bytes / 1048576 / $s_ours" | bc -l)" "$s_ours"
printf '%-34s %.1f MiB/s (%.2f s)\n' "curl (one stream, native)" "$(echo "$bytes / 1048576 / $s_one" | bc -l)" "$s_one"
printf 'four parts / one stream: %.2f\n' "$(echo "$s_one / $s_ours" | bc -l)"
echo "load after: $(uptime)"
