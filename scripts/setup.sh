#!/usr/bin/env bash
# Installs the cross toolchain, Wine and the dependency sources, then configures and builds.
# Safe to run again: each step skips what is already there.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"

packages=(g++-mingw-w64-i686 cmake ninja-build wine wine32:i386 xvfb xauth
          libz-mingw-w64-dev libboost-dev libeasyloggingpp-dev libstb-dev googletest
          dpkg-dev python3 unzip fonts-wqy-microhei imagemagick locales clang-format)

SUDO=
[ "$(id -u)" -ne 0 ] && SUDO=sudo

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
srcdir="$top/third_party/src"
need_sources=0
[ -d "$srcdir/tinyxml2" ] && [ -d "$srcdir/minizip" ] || need_sources=1

if [ ${#missing[@]} -gt 0 ] || [ $need_sources -eq 1 ]; then
    if ! dpkg --print-foreign-architectures | grep -qx i386; then
        $SUDO dpkg --add-architecture i386
    fi
    # deb-src lines for the configured Debian sources (deb822 and classic formats)
    for f in /etc/apt/sources.list.d/*.sources; do
        [ -f "$f" ] || continue
        if grep -q '^Types: deb$' "$f"; then $SUDO sed -i 's/^Types: deb$/Types: deb deb-src/' "$f"; fi
    done
    if [ -f /etc/apt/sources.list ] && grep -q '^deb ' /etc/apt/sources.list && ! grep -q '^deb-src ' /etc/apt/sources.list; then
        grep '^deb ' /etc/apt/sources.list | sed 's/^deb /deb-src /' | $SUDO tee -a /etc/apt/sources.list >/dev/null
    fi
    $SUDO apt-get update -q
fi
if [ ${#missing[@]} -gt 0 ]; then
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -q --no-install-recommends "${packages[@]}"
fi

# The tests run a second time under a Chinese locale (Wine then uses code page 936); without the
# generated glibc locale Wine mangles non-ASCII file names.
if ! locale -a 2>/dev/null | grep -qix 'zh_CN.utf8'; then
    if grep -q '^# *zh_CN.UTF-8 UTF-8' /etc/locale.gen 2>/dev/null; then
        $SUDO sed -i 's/^# *zh_CN.UTF-8 UTF-8/zh_CN.UTF-8 UTF-8/' /etc/locale.gen
    elif ! grep -q '^zh_CN.UTF-8 UTF-8' /etc/locale.gen 2>/dev/null; then
        echo 'zh_CN.UTF-8 UTF-8' | $SUDO tee -a /etc/locale.gen >/dev/null
    fi
    $SUDO locale-gen >/dev/null
fi

# Sources compiled for the target by our CMake; never committed.
fetch_source() { # package folder
    local pkg=$1 dest=$srcdir/$2
    [ -d "$dest" ] && return 0
    local tmp; tmp=$(mktemp -d)
    (cd "$tmp" && apt-get source -q --download-only "$pkg" >/dev/null && dpkg-source -x --no-check ./*.dsc unpacked >/dev/null)
    mkdir -p "$srcdir"
    mv "$tmp/unpacked" "$dest"
    rm -rf "$tmp"
}
fetch_source tinyxml2 tinyxml2
fetch_source minizip minizip

cmake -S "$top" -B "$top/build" -G Ninja \
      -DCMAKE_TOOLCHAIN_FILE="$top/cmake/toolchain-mingw32.cmake" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$top/build" -j"$(nproc)"
