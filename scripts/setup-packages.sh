# Sourced by setup.sh (and by its tests, with stand-ins for apt-get and dpkg first on PATH): the package steps.
# A package mirror can be half-synced, so nothing here calls it when everything is installed and the dependency
# sources are in the machine's cache; an update that fails in part goes on with the lists that did download; an
# install that fails (the two architectures offered in different versions) is tried once more with the release's
# own suite preferred.

SETUP_APT_ETC=${SETUP_APT_ETC:-/etc/apt}
SETUP_OS_RELEASE=${SETUP_OS_RELEASE:-/etc/os-release}
SETUP_RETRY_PAUSE=${SETUP_RETRY_PAUSE:-5}
if [ -z "${SETUP_CACHE:-}" ]; then
    if [ "$(id -u)" -eq 0 ]; then SETUP_CACHE=/var/cache/kelnova-setup; else SETUP_CACHE=${XDG_CACHE_HOME:-$HOME/.cache}/kelnova-setup; fi
fi
if [ -z "${SUDO+set}" ]; then
    SUDO=
    [ "$(id -u)" -ne 0 ] && SUDO=sudo
fi

base_packages=(g++-mingw-w64-i686 cmake ninja-build wine xvfb xauth
               libz-mingw-w64-dev libboost-dev libeasyloggingpp-dev libstb-dev googletest
               dpkg-dev python3 unzip fonts-wqy-microhei imagemagick locales clang-format)
x86_packages=(wine32:i386)
x64_packages=(g++-mingw-w64-x86-64 wine64)
source_packages=(tinyxml2 minizip)

SETUP_FAILED_INDEX= # what the last update could not fetch, for the final message

say() { echo "setup: $*"; }

missing_packages() { # PKG...: prints those not installed
    local p
    for p in "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || echo "$p"
    done
}

sources_cached() { # every source package has a .dsc in the cache
    local p
    for p in "${source_packages[@]}"; do
        compgen -G "$SETUP_CACHE/sources/$p/*.dsc" >/dev/null || return 1
    done
}

enable_apt_sources() { # WITH_I386 (0/1): i386 packages and deb-src lines for the configured sources
    if [ "$1" = 1 ] && ! dpkg --print-foreign-architectures | grep -qx i386; then
        $SUDO dpkg --add-architecture i386
    fi
    local f
    for f in "$SETUP_APT_ETC"/sources.list.d/*.sources; do
        [ -f "$f" ] || continue
        if grep -q '^Types: deb$' "$f"; then $SUDO sed -i 's/^Types: deb$/Types: deb deb-src/' "$f"; fi
    done
    f=$SETUP_APT_ETC/sources.list
    if [ -f "$f" ] && grep -q '^deb ' "$f" && ! grep -q '^deb-src ' "$f"; then
        grep '^deb ' "$f" | sed 's/^deb /deb-src /' | $SUDO tee -a "$f" >/dev/null
    fi
}

apt_update() { # three tries; then on with the lists that did download, naming the ones that did not
    local log try
    log=$(mktemp)
    for try in 1 2 3; do
        if $SUDO apt-get update -q >"$log" 2>&1; then
            cat "$log"
            rm -f "$log"
            return 0
        fi
        [ $try -lt 3 ] && sleep "$SETUP_RETRY_PAUSE"
    done
    cat "$log"
    # "Err:9 http://... bookworm-security/main i386 Packages": the index that failed
    SETUP_FAILED_INDEX=$(sed -n 's/^Err:[0-9]* //p' "$log" | sed 's/ *$//' | paste -sd ';' | sed 's/;/; /g')
    [ -n "$SETUP_FAILED_INDEX" ] || SETUP_FAILED_INDEX=$(grep -m1 '^E: ' "$log" | sed 's/^E: //')
    rm -f "$log"
    say "warning: apt-get update failed 3 times on ${SETUP_FAILED_INDEX:-an index}; going on with the lists that did download"
}

SETUP_INSTALL_LOG=
apt_install() { # PKG...: as offered, then with the release's own suite preferred
    local codename rc
    SETUP_INSTALL_LOG=$(mktemp)
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -q --no-install-recommends "$@" >"$SETUP_INSTALL_LOG" 2>&1
    rc=$?
    cat "$SETUP_INSTALL_LOG"
    [ $rc -eq 0 ] && return 0
    codename=$(. "$SETUP_OS_RELEASE" 2>/dev/null && echo "${VERSION_CODENAME:-}")
    [ -n "$codename" ] || return 1
    say "the install failed; trying once more with the release's own suite preferred (-t $codename)"
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -t "$codename" -y -q --no-install-recommends "$@" \
        >>"$SETUP_INSTALL_LOG.t" 2>&1
    rc=$?
    cat "$SETUP_INSTALL_LOG.t"
    cat "$SETUP_INSTALL_LOG.t" >>"$SETUP_INSTALL_LOG"
    rm -f "$SETUP_INSTALL_LOG.t"
    return $rc
}

install_failure() { # PKG...: the stop message, naming what apt refused and the index that failed
    local named
    named=$(sed -n -e 's/^ *\([^ ]*\) : \(Pre\)\{0,1\}Depends:.*/\1/p' -e 's/^E: Unable to locate package \([^ ]*\).*/\1/p' \
        "$SETUP_INSTALL_LOG" | sort -u | paste -sd ' ')
    say "stopped: could not install ${named:-$*}${SETUP_FAILED_INDEX:+ (the index that failed to download: $SETUP_FAILED_INDEX)}"
}

fetch_sources() { # SRCDIR: each source package unpacked from the machine's cache, fetched into it once
    local p dest tmp
    for p in "${source_packages[@]}"; do
        dest=$1/$p
        [ -d "$dest" ] && continue
        if ! compgen -G "$SETUP_CACHE/sources/$p/*.dsc" >/dev/null; then
            tmp=$(mktemp -d)
            if ! (cd "$tmp" && apt-get source -q --download-only "$p" >/dev/null); then
                say "stopped: could not fetch the source package $p${SETUP_FAILED_INDEX:+ (the index that failed to download: $SETUP_FAILED_INDEX)}"
                rm -rf "$tmp"
                return 1
            fi
            mkdir -p "$SETUP_CACHE/sources"
            rm -rf "$SETUP_CACHE/sources/$p"
            mv "$tmp" "$SETUP_CACHE/sources/$p" # whole or not at all: a half download is never taken for cached
            chmod 755 "$SETUP_CACHE/sources/$p"
        fi
        tmp=$(mktemp -d)
        (cd "$tmp" && dpkg-source -x --no-check "$SETUP_CACHE/sources/$p"/*.dsc unpacked >/dev/null) || {
            say "stopped: could not unpack $p from $SETUP_CACHE/sources/$p"
            rm -rf "$tmp"
            return 1
        }
        mkdir -p "$1"
        mv "$tmp/unpacked" "$dest"
        rm -rf "$tmp"
    done
}

# setup_packages ROAD SRCDIR: installs what the road needs (x86: the 32-bit Wine; x86_64: the x86-64 toolchain and
# wine64; ROAD x86+x86_64 both) and unpacks the sources into SRCDIR. Sets SETUP_ROAD to the road it could
# provide: where the 32-bit Wine cannot be installed at all, that is x86_64.
setup_packages() {
    local road=$1 srcdir=$2 packages missing
    SETUP_ROAD=$road
    packages=("${base_packages[@]}")
    case $road in
    x86) packages+=("${x86_packages[@]}") ;;
    x86_64) packages+=("${x64_packages[@]}") ;;
    *) packages+=("${x86_packages[@]}" "${x64_packages[@]}") ;;
    esac
    missing=$(missing_packages "${packages[@]}")
    if [ -n "$missing" ] || ! sources_cached; then
        enable_apt_sources "$([ "$road" = x86_64 ] && echo 0 || echo 1)"
        apt_update
    fi
    if [ -n "$missing" ] && ! apt_install "${packages[@]}"; then
        if [ "$road" = x86_64 ]; then
            install_failure "${packages[@]}"
            return 1
        fi
        say "the install with the 32-bit Wine failed; trying the x86-64 road, which does without it"
        packages=("${base_packages[@]}" "${x64_packages[@]}")
        if ! apt_install "${packages[@]}"; then
            install_failure "${packages[@]}"
            return 1
        fi
        say "the 32-bit Wine cannot be installed here; the tests will run the x86-64 build under wine64"
        SETUP_ROAD=x86_64
    fi
    fetch_sources "$srcdir"
}
