#!/usr/bin/env bash
# Set-up's package decisions against stand-ins for apt-get, dpkg, dpkg-query and dpkg-source first on PATH: a
# mirror in the middle of a sync, a mirror that refuses every call while all is installed, a 32-bit Wine that
# cannot be had, and one that fails everything. The stand-ins log each call; no real mirror is touched.
set -uo pipefail
top=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
check() { # WHAT CONDITION...
    local what=$1
    shift
    if ! "$@"; then
        echo "FAILED: setup: $what"
        failures=$((failures + 1))
    fi
}
has() { grep -qF -- "$2" "$1"; }
calls() { grep -c -- "$1" "$work/state/calls" || true; }

mkdir -p "$work/bin"
# dpkg-query: installed is what $STATE/installed lists
cat >"$work/bin/dpkg-query" <<'EOF'
#!/usr/bin/env bash
pkg=${!#}
grep -qxF -- "$pkg" "$STATE/installed" 2>/dev/null && { echo 'install ok installed'; exit 0; }
exit 1
EOF
cat >"$work/bin/dpkg" <<'EOF'
#!/usr/bin/env bash
case $1 in
--print-foreign-architectures) cat "$STATE/arch" 2>/dev/null ;;
--add-architecture) echo "dpkg $*" >>"$STATE/calls"; echo "$2" >>"$STATE/arch" ;;
esac
EOF
cat >"$work/bin/dpkg-source" <<'EOF'
#!/usr/bin/env bash
mkdir -p "${!#}" && basename "$3" >"${!#}/from"
EOF
# apt-get: what each call does is the mirror's MODE
cat >"$work/bin/apt-get" <<'EOF'
#!/usr/bin/env bash
echo "apt-get $*" >>"$STATE/calls"
[ "$MODE" = refuse ] && { echo "E: the mirror refuses every call"; exit 100; }
case " $* " in
*" update "*)
    echo "Err:9 http://deb.debian.org/debian-security bookworm-security/main i386 Packages"
    echo "  File has unexpected size (374820 != 376004). Mirror sync in progress? [IP: 203.0.113.80 80]"
    echo "E: Some index files failed to download. They have been ignored, or old ones used instead."
    exit 100 ;;
*" source "*) touch "${!#}_1.0-1.dsc"; exit 0 ;;
*" install "*)
    if [ "$MODE" = broken ] || { [ "$MODE" = no-wine32 ] && [[ " $* " == *" wine32:i386 "* ]]; } ||
       { [ "$MODE" = half-synced ] && [[ " $* " != *" -t bookworm "* ]]; }; then
        echo " wine32:i386 : Depends: libwine:i386 (= 8.0~repack-4) but it is not going to be installed"
        echo "E: Unable to correct problems, you have held broken packages."
        exit 100
    fi
    for p in "$@"; do [[ $p == -* || $p == install || $p == bookworm ]] || echo "$p" >>"$STATE/installed"; done ;;
esac
exit 0
EOF
chmod +x "$work/bin"/*
printf 'Types: deb\nURIs: http://deb.debian.org/debian\nSuites: bookworm\n' >"$work/debian.sources"
echo 'VERSION_CODENAME=bookworm' >"$work/os-release"

# run_setup MODE ROAD [FRESH]: one set-up of the packages and sources, output in $work/out
run_setup() {
    [ "${3:-}" = keep ] || rm -rf "$work/state" "$work/cache" "$work/etc"
    rm -rf "$work/src"
    mkdir -p "$work/state" "$work/etc/sources.list.d"
    : >"$work/state/calls"
    [ -f "$work/etc/sources.list.d/debian.sources" ] || cp "$work/debian.sources" "$work/etc/sources.list.d/"
    (
        export PATH="$work/bin:$PATH" STATE="$work/state" MODE=$1 SUDO= SETUP_RETRY_PAUSE=0
        export SETUP_APT_ETC="$work/etc" SETUP_OS_RELEASE="$work/os-release" SETUP_CACHE="$work/cache"
        set -euo pipefail # as setup.sh runs them
        . "$top/scripts/setup-packages.sh"
        setup_packages "$2" "$work/src" # a failed step ends the subshell, as it ends set-up
        echo "road: $SETUP_ROAD"
    ) >"$work/out" 2>&1
}

# A mirror in mid-sync: the update fails on one index, the first install on broken packages, the install with
# the release preferred succeeds; both are said, and the sources land in the machine's cache.
run_setup half-synced x86
check "half-synced mirror: set-up goes on" [ $? -eq 0 ]
check "half-synced mirror: the update is tried three times" [ "$(calls ' update')" = 3 ]
check "half-synced mirror: the failed index is named" \
    has "$work/out" "warning: apt-get update failed 3 times on http://deb.debian.org/debian-security bookworm-security/main i386 Packages"
check "half-synced mirror: the release is preferred and said" has "$work/out" "release's own suite preferred (-t bookworm)"
check "half-synced mirror: the second install prefers the release" [ "$(calls 'install -t bookworm')" = 1 ]
check "half-synced mirror: i386 and deb-src are enabled" has "$work/etc/sources.list.d/debian.sources" "Types: deb deb-src"
check "half-synced mirror: the 32-bit road stands" has "$work/out" "road: x86"
check "half-synced mirror: sources cached and unpacked" [ -f "$work/cache/sources/minizip/minizip_1.0-1.dsc" -a -d "$work/src/tinyxml2" -a -d "$work/src/minizip" ]

# The same machine again, now with a mirror that refuses every call: all is installed and cached, so no call.
run_setup refuse x86 keep
check "all installed and cached: set-up passes" [ $? -eq 0 ]
check "all installed and cached: no apt-get call" [ ! -s "$work/state/calls" ]
check "all installed and cached: sources unpacked from the cache" has "$work/src/tinyxml2/from" "tinyxml2_1.0-1.dsc"

# No 32-bit Wine to be had: the x86-64 road is taken, and why is said.
run_setup no-wine32 x86
check "no 32-bit Wine: set-up goes on" [ $? -eq 0 ]
check "no 32-bit Wine: the x86-64 road is taken" has "$work/out" "road: x86_64"
check "no 32-bit Wine: the reason is said" has "$work/out" "the 32-bit Wine cannot be installed here"
check "no 32-bit Wine: wine64 is installed" grep -qx wine64 "$work/state/installed"

# Nothing installs: set-up stops and names the refused package and the failed index.
run_setup broken x86_64
check "nothing installs: set-up stops" [ $? -ne 0 ]
check "nothing installs: the message names the package and the index" \
    has "$work/out" "stopped: could not install wine32:i386 (the index that failed to download: http://deb.debian.org/debian-security bookworm-security/main i386 Packages)"
check "x86-64 road: no i386 architecture is added" [ "$(calls 'add-architecture')" = 0 ]

if [ $failures -ne 0 ]; then
    echo "--- last set-up output:"
    cat "$work/out"
    exit 1
fi
echo "setup: package decisions pass (half-synced mirror, refusing mirror, no 32-bit Wine, nothing installs)"
