#!/usr/bin/env bash
# Runs the real Updater under a private Xvfb display through each of its window states, in Chinese and in
# English (and the Launcher's message box when the Updater is missing), and saves a picture of each (ImageMagick's import, cropped to the window) as
# build/screenshots/<state>-<zh|en>.png. With --refresh-docs it also copies a chosen few into docs/images/;
# without it nothing in the source tree changes. Exit code 0 when every picture was taken.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
. "$top/scripts/wine-env.sh"
road_line running
require_build
. "$top/scripts/update-kit.sh"
unset http_proxy https_proxy HTTP_PROXY HTTPS_PROXY all_proxy ALL_PROXY

refresh_docs=0
case "${1:-}" in
    "") ;;
    --refresh-docs) refresh_docs=1 ;;
    *) echo "usage: $0 [--refresh-docs]" >&2; exit 2 ;;
esac
command -v import >/dev/null || { echo "ImageMagick's import is missing: run scripts/setup.sh" >&2; exit 1; }

out="$top/build/screenshots"
run="$top/build/screenshots-run"
docs_pictures=(progress-zh retrying-en optional-ready-en notice-zh install-failed-zh complete-zh)
prog=kelclient
progress=qen_updater_wnd_class_name
tips=qen_updater_tips_wnd_class_name
complete=qen_updater_launch_wnd_class_name

XVFB_PID=
SERVER_PID=
servers=()
bg_pids=()
# errexit holds inside the trap too: no step here may stop the ones after it.
cleanup() {
    local p
    for p in "${servers[@]}" "${bg_pids[@]}"; do kill "$p" 2>/dev/null || true; done
    set_language "$prog" ""
    wineserver -k >/dev/null 2>&1 || true
    [ -z "$XVFB_PID" ] || kill "$XVFB_PID" 2>/dev/null || true
}
trap cleanup EXIT
start_xvfb
prepare_prefix

rm -rf "$out" "$run"
mkdir -p "$out" "$run/upd" "$run/restart" "$run/target" "$run/served"
cp "$bin/Updater.exe" "$bin/zlib.dll" "$run/upd/"
cp "$tools/ClientStub.exe" "$run/restart/kelrestart.exe"
cat >"$run/upd/ProductConfig.xml" <<'EOF'
<?xml version="1.0" encoding="UTF-8"?>
<ProductConfig><ProgName>kelclient.exe</ProgName><LaunchName>shots</LaunchName><CacheName>shots</CacheName></ProductConfig>
EOF
echo "a file where the target folder should be" >"$run/blocker"
md5=$(make_package "$run/served/full.zip")
size=$(stat -c %s "$run/served/full.zip")
start_server "$run/served" "$run/requests.log" 0
fast=$PORT
printf '<answer><zipurl>http://127.0.0.1:%s/full.zip</zipurl><zipmd5>%s</zipmd5></answer>' "$fast" "$md5" \
    >"$run/served/env.xml"
servers+=("$SERVER_PID")
# Four parts of about twelve seconds each: long enough to catch the progress bar half way.
start_server "$run/served" "$run/requests.log" $((size / 48 + 1))
slow=$PORT
servers+=("$SERVER_PID")
echo "== package $size bytes, md5 $md5; servers on 127.0.0.1:$fast and :$slow (slow); pictures in $out"

taken=()
missing=()
# shoot NAME CLASS [ink|blank X Y W H]: once the window of that class holds still and has painted
# everything (with something drawn, or nothing, in that client rectangle), a picture cropped to it.
shoot() {
    local name=$1 cls=$2 at x y w h
    shift 2
    if ! at=$(wt drawn "$cls" 120000 "$@"); then
        missing+=("$name: no window of class $cls drawn${1:+ ($1 at $2,$3 ${4}x$5)} within 120 s")
        echo "  MISSING $name"
        return 1
    fi
    read -r x y w h _ <<<"$at"
    if timeout 30 import -window root -crop "${w}x${h}+${x}+${y}" +repage "$out/$name.png" 2>/dev/null; then
        taken+=("$name")
        echo "  saved $name.png (${w}x${h} at $x,$y; window: $at)"
    else
        missing+=("$name: import failed")
        echo "  MISSING $name: import failed"
        return 1
    fi
}

# updater MODE MD5 PORT [EXTRACTPATH]: starts the Updater from a clean folder, as the tests do.
updater() {
    rm -f "$run/upd"/update.* "$run/restart/client-record.txt"
    rm -rf "$run/target" && mkdir -p "$run/target"
    CLIENTSTUB_LIFETIME_MS=3000 timeout 200 wine "$run/upd/Updater.exe" "-url=http://127.0.0.1:$3/full.zip" "-md5=$2" \
        "-pagecallparam=room=1" "-forcedupdate=$1" "-clientexe=$(winepath -w "$run/restart/kelrestart.exe")" \
        "-extractpath=$(winepath -w "${4:-$run/target}")" >/dev/null 2>&1 &
    bg_pids+=($!)
}

# listen_launcher: stands in for the Launcher's pipe, to see the Updater's answer.
listen_launcher() {
    : >"$run/launcher-pipe.txt"
    timeout 200 wine "$tools/PipeListen.exe" LU_shots 180000 >"$run/launcher-pipe.txt" 2>/dev/null &
    bg_pids+=($!)
    wait_text "$run/launcher-pipe.txt" listening 120 || echo "  the Launcher's pipe stand-in did not start in 120 s"
}

# wait_width CLASS WIDTH SECONDS
wait_width() {
    local end=$(($(date +%s) + $3)) at
    while [ "$(date +%s)" -lt $end ]; do
        at=$(wt find "$1" 0) && [ "$(cut -d' ' -f3 <<<"$at")" = "$2" ] && return 0
        sleep 0.5
    done
    return 1
}

# wait_file PATH SECONDS / wait_text FILE TEXT SECONDS
wait_file() { local i; for i in $(seq $(($2 * 5))); do [ -f "$1" ] && return 0; sleep 0.2; done; return 1; }
wait_text() { local i; for i in $(seq $(($3 * 5))); do grep -q "$2" "$1" 2>/dev/null && return 0; sleep 0.2; done; return 1; }
# wait_parts BYTES SECONDS: the Updater's part files hold that many bytes together.
wait_parts() {
    local end=$(($(date +%s) + $2)) sum
    while [ "$(date +%s)" -lt $end ]; do
        sum=$(cat "$run/upd"/update.td? 2>/dev/null | wc -c || true)
        [ "$sum" -ge "$1" ] && return 0
        sleep 0.2
    done
    return 1
}

# Client rectangles that show a state has been drawn: the progress window's text row, its close button,
# and the band of its progress bar (empty once the install button has taken its place).
text_row=(ink 10 30 280 40)
close_button=(ink -13 9 12 12)
no_bar=(blank 20 78 120 14)

# Ends whatever a run left behind, so the next starts alone (the Updater is single-instance).
end_run() {
    wt gone "$progress" 5000 >/dev/null || true
    wineserver -k >/dev/null 2>&1 || true
    wineserver -w >/dev/null 2>&1 || true
}

for lang in zh en; do
    if [ $lang = en ]; then set_language "$prog" en-US; else set_language "$prog" zh-CN; fi
    echo "== $lang: notice before a forced update, progress, update complete (forcedupdate=1, slow server)"
    updater 1 "$md5" "$slow"
    shoot "notice-$lang" "$tips" || true
    wt key "$tips" 13 || true # the user confirms
    # The bar about half way: the parts hold 40% of the package.
    wait_parts $((size * 2 / 5)) 120 || echo "  the download did not reach 40% in 120 s"
    shoot "progress-$lang" "$progress" "${text_row[@]}" || true
    shoot "complete-$lang" "$complete" || true
    wt click "$complete" 210 140 || true
    end_run

    echo "== $lang: retrying and failed (forcedupdate=2, wrong md5: ten failed attempts)"
    listen_launcher
    updater 2 00000000000000000000000000000000 "$fast"
    # Widened by the first retry; the resize and the new text are painted together.
    wait_width "$progress" 360 120 || echo "  the window was not widened in 120 s"
    shoot "retrying-$lang" "$progress" "${text_row[@]}" || true
    # The failure reaches the window after the answer to the Launcher: its close button shows it.
    wait_text "$run/launcher-pipe.txt" 'msg1:0' 120 || echo "  no msg1:0 on the Launcher's pipe in 120 s"
    shoot "failed-$lang" "$progress" "${close_button[@]}" || true
    wt key "$progress" 27 || true
    end_run

    echo "== $lang: optional update ready (forcedupdate=0)"
    updater 0 "$md5" "$fast"
    wait_file "$run/upd/update.zip" 120 || echo "  no update.zip in 120 s"
    shoot "optional-ready-$lang" "$progress" "${no_bar[@]}" || true
    wt key "$progress" 27 || true
    end_run

    echo "== $lang: installation failure box (forcedupdate=2, target is a file: a minute of attempts)"
    updater 2 "$md5" "$fast" "$run/blocker"
    shoot "install-failed-$lang" "$tips" || true
    wt key "$tips" 13 || true
    wt find "$complete" 10000 >/dev/null && wt key "$complete" 27 || true
    end_run

    echo "== $lang: the Launcher's message box when the Updater is missing (a native box)"
    update_install "$run/launcher"
    rm "$run/launcher/Updater.exe"
    timeout 60 wine "$run/launcher/Launcher.exe" "switchenv=pro&xmlurl=http://127.0.0.1:$fast/env.xml&room=1" \
        >/dev/null 2>&1 &
    bg_pids+=($!)
    shoot "launcher-box-$lang" "#32770" || true
    timeout 30 wine "$tools/MsgBoxAnswer.exe" 1 3000 >/dev/null 2>&1 || true
    end_run
done

if [ $refresh_docs = 1 ]; then
    mkdir -p "$top/docs/images"
    for name in "${docs_pictures[@]}"; do
        if [ -f "$out/$name.png" ]; then
            cp "$out/$name.png" "$top/docs/images/$name.png"
            echo "== docs/images/$name.png refreshed"
        fi
    done
fi

echo "== ${#taken[@]} pictures in $out"
if [ ${#missing[@]} -eq 0 ]; then
    echo "SUCCESS: every window state was captured"
    exit 0
fi
for m in "${missing[@]}"; do echo "FAILURE: $m"; done
exit 1
