# Sourced by the update example and the screenshot script: an install folder with the real programs,
# an update package made on the spot, the loopback package server and the window and pipe tools.
# Expects $top, the Wine environment (wine-env.sh) and a display.

bin="$build_dir/bin"
tools="$build_dir/tests"

# update_install DIR: Launcher.exe, Updater.exe, the outside extraction library stand-in (zlib.dll) and
# the example ProductConfig.xml in DIR, the client stand-in as the www environment's client.
update_install() {
    local dir=$1
    rm -rf "$dir"
    mkdir -p "$dir/kelnova_www" "$dir/served"
    cp "$bin/Launcher.exe" "$bin/Updater.exe" "$bin/zlib.dll" "$top/examples/ProductConfig.xml" "$dir/"
    cp "$tools/ClientStub.exe" "$dir/kelnova_www/kelclient.exe"
}

# make_package ZIP: the new client of the pro environment, kelnova_pro/kelclient.exe (the client stand-in)
# and a version note. Prints the package's MD5.
make_package() {
    python3 - "$1" "$tools/ClientStub.exe" <<'EOF'
import sys, zipfile
with zipfile.ZipFile(sys.argv[1], "w", zipfile.ZIP_DEFLATED) as z:
    z.write(sys.argv[2], "kelnova_pro/kelclient.exe")
    z.writestr("kelnova_pro/version.txt", "2.0.0 pro\r\n")
EOF
    md5sum "$1" | cut -d' ' -f1
}

# start_server ROOT LOG [RATE]: serves ROOT on 127.0.0.1 (a free port) with one log line per request;
# sets SERVER_PID and PORT.
start_server() {
    local portfile
    portfile=$(mktemp)
    python3 "$top/scripts/ranged_server.py" "$1" --log "$2" --rate "${3:-0}" >"$portfile" 2>/dev/null &
    SERVER_PID=$!
    PORT=
    for _ in $(seq 50); do
        PORT=$(head -n1 "$portfile")
        [ -n "$PORT" ] && break
        sleep 0.1
    done
    rm -f "$portfile"
    [ -n "$PORT" ] || { echo "the package server did not start" >&2; return 1; }
}

# wt ARGS: the window tool (find/gone/click/key); its own waits are at most 120 s, and so is this.
wt() { timeout 150 wine "$tools/WindowTool.exe" "$@" 2>/dev/null | tr -d '\r'; return "${PIPESTATUS[0]}"; }

# set_language PROG LANG: the UI language the programs read for client PROG (no .exe); "" removes it.
set_language() {
    if [ -n "$2" ]; then
        wine reg add "HKCU\\Software\\$1\\Language" /ve /d "$2" /f >/dev/null 2>&1
    else
        wine reg delete "HKCU\\Software\\$1" /f >/dev/null 2>&1 || true
    fi
}

# Where the programs write their logs in the prefix.
launcher_logs() { ls "$WINEPREFIX"/drive_c/users/*/AppData/Local/kelLauncher/*.log 2>/dev/null; }
updater_logs() { ls "$WINEPREFIX"/drive_c/users/*/AppData/Local/kelUpdater/*.log 2>/dev/null; }
