# Sourced by the scripts that run programs under Wine: one project-local prefix for the build this host tests
# (road.sh): 32-bit Wine for build/, wine64 in a 64-bit prefix for build-x64/.
top=${top:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}
. "$top/scripts/road.sh"
choose_road
export KELNOVA_ROAD=$ROAD KELNOVA_ROAD_WHY=$ROAD_WHY
build_dir=$ROAD_BUILD
export WINEPREFIX="${WINEPREFIX:-$build_dir/wineprefix}"
if [ "$ROAD" = x86_64 ]; then
    export WINEARCH=win64
    case ":$PATH:" in *":$top/scripts/wine64:"*) ;; *) export PATH="$top/scripts/wine64:$PATH" ;; esac
else
    export WINEARCH=win32
fi
export WINEDEBUG=-all
# EXTRA_DLLOVERRIDES adds overrides for one test process (a test that runs without a system library).
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d${EXTRA_DLLOVERRIDES:+;$EXTRA_DLLOVERRIDES}"

# require_build: the chosen build must exist (set-up makes it).
require_build() {
    [ -x "$build_dir/bin/Launcher.exe" ] && return 0
    echo "$build_dir is not built: run scripts/setup.sh first${KELNOVA_X64:+ (with KELNOVA_X64=$KELNOVA_X64)}" >&2
    return 1
}
# start_xvfb: a private display, so no test depends on (or disturbs) the caller's.
start_xvfb() {
    local n
    for n in $(seq 90 140); do
        [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] && continue
        Xvfb ":$n" -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
        XVFB_PID=$!
        export DISPLAY=":$n"
        for _ in $(seq 50); do
            [ -e "/tmp/.X11-unix/X$n" ] && return 0
            kill -0 "$XVFB_PID" 2>/dev/null || break
            sleep 0.1
        done
    done
    echo "could not start Xvfb" >&2
    return 1
}

# prepare_prefix: create the prefix once, without crash dialogs, with a CJK font for Chinese texts:
# the skins' face and the faces of dialogs, message boxes and tooltips. The marker's name changes
# whenever these settings do, so an existing prefix takes them up.
prepare_prefix() {
    local marker="$WINEPREFIX/.kelnova-ready-3"
    [ -f "$marker" ] && return 0
    mkdir -p "$WINEPREFIX"
    wineboot -i >/dev/null 2>&1 || true
    wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
    wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v '微软雅黑' /d 'WenQuanYi Micro Hei' /f >/dev/null 2>&1
    # Message boxes and tooltips draw in Wine's own UI face, which lacks Chinese glyphs: it takes them
    # from the CJK font. (Under this link GDI+ refuses the face; the toolkit's effect text falls back.)
    wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink' /v 'Tahoma' \
        /t REG_MULTI_SZ /d 'wqy-microhei.ttc,WenQuanYi Micro Hei' /f >/dev/null 2>&1
    # The handler-injection test makes and destroys hundreds of windows: with no window manager under Xvfb,
    # Wine would wait 2 s for one at each window it hides.
    wine reg add 'HKCU\Software\Wine\AppDefaults\uitoolkit_injection_tests.exe\X11 Driver' /v Managed /d N /f \
        >/dev/null 2>&1
    wineserver -w
    touch "$marker"
}
