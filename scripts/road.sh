# Sourced: which build this host can test, and why. The shipped programs are the 32-bit ones in build/; a host
# that runs no 32-bit code (or has no 32-bit Wine) tests the same sources built for x86-64 in build-x64/ under
# wine64. KELNOVA_X64=1 takes the x86-64 road on any host, so one machine can check both.

# host_runs_32bit: runs a 96-byte static i386 program (exit(42) through int 0x80); a kernel without IA-32
# emulation refuses it with ENOEXEC. Reading a flag is not enough: the kernel's config still says yes there.
host_runs_32bit() {
    local probe rc
    probe=$(mktemp "${TMPDIR:-/tmp}/i386-probe.XXXXXX") || return 1
    printf '\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00' >"$probe"
    printf '\x02\x00\x03\x00\x01\x00\x00\x00\x54\x80\x04\x08\x34\x00\x00\x00' >>"$probe"
    printf '\x00\x00\x00\x00\x00\x00\x00\x00\x34\x00\x20\x00\x01\x00\x00\x00\x00\x00\x00\x00' >>"$probe"
    printf '\x01\x00\x00\x00\x00\x00\x00\x00\x00\x80\x04\x08\x00\x80\x04\x08' >>"$probe"
    printf '\x60\x00\x00\x00\x60\x00\x00\x00\x05\x00\x00\x00\x00\x10\x00\x00' >>"$probe"
    printf '\xbb\x2a\x00\x00\x00\xb8\x01\x00\x00\x00\xcd\x80' >>"$probe"
    chmod +x "$probe"
    "$probe" 2>/dev/null
    rc=$?
    rm -f "$probe"
    [ $rc -eq 42 ]
}

SHIPPED_PROGRAMS="Launcher Updater Portvane"

# choose_road: sets ROAD (x86 or x86_64), ROAD_WHY and ROAD_BUILD (the build folder the tests run).
# KELNOVA_ROAD, when set by a caller that already chose, is kept as it stands.
choose_road() {
    if [ -n "${KELNOVA_ROAD:-}" ]; then
        ROAD=$KELNOVA_ROAD
        ROAD_WHY=${KELNOVA_ROAD_WHY:-chosen by the caller}
    elif [ "${KELNOVA_X64:-}" = 1 ]; then
        ROAD=x86_64 ROAD_WHY="KELNOVA_X64=1 asks for it"
    elif ! host_runs_32bit; then
        ROAD=x86_64 ROAD_WHY="this host runs 64-bit code only"
    elif ! dpkg-query -W -f='${Status}' wine32:i386 2>/dev/null | grep -q 'install ok installed'; then
        ROAD=x86_64 ROAD_WHY="the 32-bit Wine is not installed here"
    else
        ROAD=x86 ROAD_WHY="this host runs 32-bit code"
    fi
    if [ "$ROAD" = x86_64 ]; then ROAD_BUILD=$top/build-x64; else ROAD_BUILD=$top/build; fi
}

# road_line WHAT: the one line each script prints first, naming the build it runs.
road_line() {
    if [ "$ROAD" = x86_64 ]; then
        echo "$1 the x86-64 build (build-x64/, wine64): $ROAD_WHY; the 32-bit programs in build/bin were built, not run"
    else
        echo "$1 the 32-bit build (build/): $ROAD_WHY"
    fi
}
