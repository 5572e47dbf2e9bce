#!/usr/bin/env bash
# The environment switch end to end (run-example.sh update): the Launcher asks a loopback server which
# package holds the pro environment's client, hands the download to the real Updater, which fetches it in
# four ranged parts, checks its MD5, installs it with the outside extraction library's stand-in and shows
# its update-complete window; closing that window starts the Launcher again, which starts the new client.
# Every step is printed as it happens; the last line says SUCCESS or FAILURE (exit code 0 or 1).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
. "$top/scripts/wine-env.sh"
road_line running
require_build
. "$top/scripts/update-kit.sh"
unset http_proxy https_proxy HTTP_PROXY HTTPS_PROXY all_proxy ALL_PROXY

inst="$top/build/example-update"
work="$inst/served"
deadline_s=150
params="room=42"
prog=kelclient          # ProgName of examples/ProductConfig.xml without .exe
client_pipe=kelclient_example

XVFB_PID=
SERVER_PID=
bg_pids=()
# errexit holds inside the trap too: no step here may stop the ones after it.
cleanup() {
    local p
    for p in $SERVER_PID "${bg_pids[@]}"; do kill "$p" 2>/dev/null || true; done
    wineserver -k >/dev/null 2>&1 || true
    [ -z "$XVFB_PID" ] || kill "$XVFB_PID" 2>/dev/null || true
    set_language "$prog" ""
}
trap cleanup EXIT
start_xvfb
prepare_prefix

declare -A shown
# follow FILE LABEL: prints the lines added to FILE since the last call.
follow() {
    local f=$1 label=$2 total from
    [ -f "$f" ] || return 0
    total=$(wc -l <"$f")
    from=${shown[$f]:-0}
    [ "$total" -gt "$from" ] || return 0
    sed -n "$((from + 1)),${total}p" "$f" | tr -d '\r' | sed "s/^/  [$label] /"
    shown[$f]=$total
}
# Log lines of earlier runs are not this run's.
for f in $(launcher_logs) $(updater_logs); do shown[$f]=$(wc -l <"$f"); done

echo "== install folder $inst"
update_install "$inst"
set_language "$prog" ""
ls "$inst" | sed 's/^/  /'

echo "== update package (the new client of the pro environment)"
md5=$(make_package "$work/full.zip")
size=$(stat -c %s "$work/full.zip")
python3 -c 'import sys, zipfile; [print("  %s (%d bytes)" % (i.filename, i.file_size)) for i in zipfile.ZipFile(sys.argv[1]).infolist()]' "$work/full.zip"
echo "  full.zip: $size bytes, md5 $md5"

echo "== package server (scripts/ranged_server.py)"
# Each of the four parts is held to about two seconds, so the progress window can be seen.
start_server "$work" "$inst/requests.log" $((size / 8 + 1))
echo "  http://127.0.0.1:$PORT/ serving $work"
cat >"$work/env.xml" <<EOF
<?xml version="1.0" encoding="UTF-8"?>
<answer><zipurl>http://127.0.0.1:$PORT/full.zip</zipurl><zipmd5>$md5</zipmd5></answer>
EOF
sed 's/^/  env.xml: /' "$work/env.xml"

echo "== the running client's pipe \\\\.\\Pipe\\$client_pipe (a listener stands in for the old client)"
touch "$inst/pipe.txt"
timeout $((deadline_s + 30)) wine "$tools/PipeListen.exe" "$client_pipe" $((deadline_s * 1000)) >"$inst/pipe.txt" 2>/dev/null &
bg_pids+=($!)
for _ in $(seq 100); do grep -q listening "$inst/pipe.txt" && break; sleep 0.1; done
shown[$inst/pipe.txt]=1
# Any message box would block a program: answer it with OK and show it.
timeout $((deadline_s + 30)) wine "$tools/MsgBoxAnswer.exe" 1 $((deadline_s * 1000)) >"$inst/boxes.txt" 2>/dev/null &
bg_pids+=($!)

line="switchenv=pro&xmlurl=http://127.0.0.1:$PORT/env.xml&$params"
echo "== wine Launcher.exe \"$line\""
CLIENTSTUB_LIFETIME_MS=5000 timeout $deadline_s wine "$inst/Launcher.exe" "$line" >/dev/null 2>&1 &
launcher_pid=$!
bg_pids+=($launcher_pid)
launcher_rc=

progress_seen=0
package_seen=0
complete_seen=0
complete_closed=0
record="$inst/kelnova_pro/client-record.txt"
start=$(date +%s)
while [ $(($(date +%s) - start)) -lt $deadline_s ]; do
    follow "$inst/requests.log" "server"
    for f in $(launcher_logs); do follow "$f" "Launcher log"; done
    for f in $(updater_logs); do follow "$f" "Updater log"; done
    follow "$inst/pipe.txt" "client pipe <-"
    follow "$inst/boxes.txt" "message box (answered OK)"
    follow "$record" "new client's record"
    if [ -z "$launcher_rc" ] && ! kill -0 "$launcher_pid" 2>/dev/null; then
        set +e; wait "$launcher_pid"; launcher_rc=$?; set -e
        echo "  [Launcher] the switching run ended with exit code $launcher_rc"
    fi
    if [ $progress_seen = 0 ] && at=$(wt find qen_updater_wnd_class_name 0); then
        progress_seen=1
        echo "  [window] progress window shown: $at (x y width height title)"
    fi
    # The merged download is named update.zip only once its MD5 matched.
    if [ $package_seen = 0 ] && [ -f "$inst/update.zip" ]; then
        package_seen=1
        echo "  [Updater] update.zip is there: the four parts were merged and the MD5 check passed (md5sum: $(md5sum <"$inst/update.zip" | cut -d' ' -f1))"
    fi
    if [ $complete_seen = 0 ] && at=$(wt find qen_updater_launch_wnd_class_name 0); then
        complete_seen=1
        echo "  [window] update-complete window shown: $at"
        wt drawn qen_updater_launch_wnd_class_name 30000 >/dev/null || true
        # Its "立即打开" (open now) button: 80x36, centred in the bottom row (client 170,122).
        wt click qen_updater_launch_wnd_class_name 210 140 || true
        if wt gone qen_updater_launch_wnd_class_name 5000; then
            complete_closed=1
            echo "  [user] clicked the window's open-now button: the window is gone"
        else
            echo "  [user] clicked the window's open-now button, but the window is still there; pressing Enter"
            wt key qen_updater_launch_wnd_class_name 13 || true
            wt gone qen_updater_launch_wnd_class_name 5000 || break
            complete_closed=2
        fi
    fi
    # A switch that failed starts nothing more: no need to wait for the rest.
    if [ -n "$launcher_rc" ] && [ "$launcher_rc" != 0 ]; then
        sleep 1
        break
    fi
    if [ -n "$launcher_rc" ] && [ $complete_closed != 0 ] && grep -q '^args=' "$record" 2>/dev/null; then
        sleep 1
        break
    fi
    sleep 0.3
done
if wt gone qen_updater_wnd_class_name 10000; then updater_gone=1; else updater_gone=0; fi
sleep 0.5
follow "$inst/requests.log" "server"
for f in $(launcher_logs); do follow "$f" "Launcher log"; done
for f in $(updater_logs); do follow "$f" "Updater log"; done
follow "$inst/pipe.txt" "client pipe <-"
follow "$record" "new client's record"

echo "== env stored in $inst/ProductConfig.xml"
grep -i '<env>' "$inst/ProductConfig.xml" | sed 's/^ */  /'
echo "== installed by the Updater"
(cd "$inst" && find kelnova_pro -type f ! -name client-record.txt | sort | sed 's/^/  /') || true
echo "== new client's record ($record)"
sed 's/^/  /' "$record" 2>/dev/null || echo "  (the new client was not started)"

failures=()
[ "${launcher_rc:-x}" = 0 ] || failures+=("the switching Launcher ended with '${launcher_rc:-still running}', not 0")
[ "$(grep -c 'GET /full.zip' "$inst/requests.log" 2>/dev/null)" -ge 4 ] || failures+=("the package was not fetched in four parts")
grep -qx 'switchenv_msg:1' "$inst/pipe.txt" || failures+=("the client's pipe did not get switchenv_msg:1")
grep -q '<env>pro</env>' "$inst/ProductConfig.xml" || failures+=("ProductConfig.xml does not hold env pro")
[ $package_seen = 1 ] || failures+=("no verified update.zip was seen")
[ $complete_closed = 1 ] || failures+=("the update-complete window did not close with a click on its button")
grep -qx "args=$params" "$record" 2>/dev/null || failures+=("the new client was not started with $params")
[ $updater_gone = 1 ] || failures+=("the Updater's window did not go away")
if [ ${#failures[@]} -eq 0 ]; then
    echo "SUCCESS: the pro environment's client was downloaded, checked, installed and started with $params"
    exit 0
fi
for f in "${failures[@]}"; do echo "  - $f"; done
echo "FAILURE: the environment switch did not complete (${#failures[@]} problem(s) above)"
exit 1
