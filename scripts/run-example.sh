#!/usr/bin/env bash
# Runs Launcher.exe on a small example install (examples/ProductConfig.xml and the client stand-in)
# and shows what it did: the client's record, the protocol registration, the env and the log.
# "run-example.sh update" runs the environment switch with the Updater instead (example-update.sh).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
[ "${1:-}" = update ] && exec bash "$top/scripts/example-update.sh"
. "$top/scripts/wine-env.sh"
road_line running
require_build
link=${1:-kelnovaexample://room?id=42}

inst="$top/build/example"
rm -rf "$inst"
mkdir -p "$inst/kelnova_www"
cp "$build_dir/bin/Launcher.exe" "$top/examples/ProductConfig.xml" "$inst/"
cp "$build_dir/tests/ClientStub.exe" "$inst/kelnova_www/kelclient.exe"

XVFB_PID=
cleanup() { wineserver -k >/dev/null 2>&1 || true; [ -n "$XVFB_PID" ] && kill "$XVFB_PID" 2>/dev/null; return 0; }
trap cleanup EXIT
start_xvfb
prepare_prefix

echo "== wine Launcher.exe \"$link\""
set +e
CLIENTSTUB_LIFETIME_MS=3000 timeout 60 wine "$inst/Launcher.exe" "$link" >/dev/null 2>&1
echo "exit code: $?"
set -e
# The client writes its record as it starts: wait for its parameters, not for a fixed time.
for _ in $(seq 150); do grep -q '^args=' "$inst/kelnova_www/client-record.txt" 2>/dev/null && break; sleep 0.2; done
echo "== client record ($inst/kelnova_www/client-record.txt)"
cat "$inst/kelnova_www/client-record.txt" 2>/dev/null || echo "(client not started)"
echo "== protocol handler"
wine reg query 'HKCR\kelnovaexample\shell\open\command' /ve 2>/dev/null | tr -d '\r' | grep -i reg_sz || true
echo "== env in ProductConfig.xml"
grep -i '<env>' "$inst/ProductConfig.xml"
echo "== log"
log=$(ls -t "$WINEPREFIX"/drive_c/users/*/AppData/Local/kelLauncher/*.log | head -1)
tail -n 20 "$log"
wine reg delete 'HKCR\kelnovaexample' /f >/dev/null 2>&1 || true
