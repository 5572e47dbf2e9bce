#!/usr/bin/env bash
# Installs the cross toolchain, Wine and the dependency sources, then configures and builds: the shipped 32-bit
# programs into build/ on every host and, where the tests take the x86-64 road (scripts/road.sh), the same sources
# for x86-64 into build-x64/. Safe to run again: each step skips what is already there, and where everything is
# installed and the sources are cached, no package mirror is called at all. Every stop ends in one "setup:" line.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"
. "$top/scripts/road.sh"
. "$top/scripts/setup-packages.sh"

if [ "${KELNOVA_X64:-}" = 1 ]; then
    if host_runs_32bit; then want=x86+x86_64; else want=x86_64; fi
elif host_runs_32bit; then
    want=x86
else
    want=x86_64
    say "this host runs 64-bit code only: installing the x86-64 toolchain and wine64 for the tests"
fi
setup_packages "$want" "$top/third_party/src"

# The tests run a second time under a Chinese locale (Wine then uses code page 936); without the
# generated glibc locale Wine mangles non-ASCII file names.
if ! locale -a 2>/dev/null | grep -qix 'zh_CN.utf8'; then
    if [ -n "$SETUP_NO_ROOT" ]; then
        stop "set-up needs root to generate the zh_CN.UTF-8 locale (run it as root, or install $SETUP_SUDO)"
        exit 1
    fi
    if grep -q '^# *zh_CN.UTF-8 UTF-8' /etc/locale.gen 2>/dev/null; then
        $SUDO sed -i 's/^# *zh_CN.UTF-8 UTF-8/zh_CN.UTF-8 UTF-8/' /etc/locale.gen
    elif ! grep -q '^zh_CN.UTF-8 UTF-8' /etc/locale.gen 2>/dev/null; then
        echo 'zh_CN.UTF-8 UTF-8' | $SUDO tee -a /etc/locale.gen >/dev/null
    fi
    $SUDO locale-gen >/dev/null
fi

build() { # FOLDER TOOLCHAIN [TARGET...]
    local folder=$1 toolchain=$2
    shift 2
    cmake -S "$top" -B "$top/$folder" -G Ninja \
          -DCMAKE_TOOLCHAIN_FILE="$top/cmake/$toolchain" -DCMAKE_BUILD_TYPE=Release >/dev/null
    cmake --build "$top/$folder" -j"$(nproc)" ${1:+--target "$@"}
}
choose_road
if [ "$ROAD" = x86_64 ]; then
    # The tests run the x86-64 build: of the 32-bit one, only the shipped programs are needed.
    build build toolchain-mingw32.cmake $SHIPPED_PROGRAMS
    build build-x64 toolchain-mingw64.cmake
else
    build build toolchain-mingw32.cmake
fi
road_line "the tests will run"
