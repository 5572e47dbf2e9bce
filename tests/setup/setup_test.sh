#!/usr/bin/env bash
# Set-up's package decisions against stand-ins for apt-get, dpkg, dpkg-query, dpkg-source, sudo, id and sleep first
# on PATH: mirrors that are half-synced, refusing, unreachable or fine; a 32-bit Wine that cannot be had; apt's lock
# held by another process; an interrupted dpkg; a cut or outdated source; a user who is not root; two set-ups at
# once; both toolchains. The stand-ins log each call; no real mirror, lock or cache is touched. Each group of rows
# has a machine of its own and the groups run side by side: the waits overlap, and a loaded machine's slow process
# starts are paid once per group, not once for the whole table.
set -uo pipefail
unset SETUP_CACHE SETUP_LOCK_WAIT SETUP_OS_RELEASE SETUP_SUDO
top=$(cd "$(dirname "$0")/../.." && pwd)
base=$(mktemp -d)
trap 'kill $(jobs -p) 2>/dev/null; rm -rf "$base"' EXIT
check() { # WHAT CONDITION...
    local what=$1
    shift
    if ! "$@"; then
        echo "FAILED: setup: $what"
        failures=$((failures + 1))
    fi
}
has() { [[ $(<"$1") == *"$2"* ]]; } # FILE TEXT
lacks() { ! has "$@"; }
calls() { grep -c -- "$1" "$work/state/calls" || true; }
stopped_with() { # TEXT: the set-up failed, and its last line, its only stop line, says TEXT
    [ "$status" -ne 0 ] && [ "$(grep -c '^setup: stopped:' "$work/out")" = 1 ] && tail -n1 "$work/out" | grep -qF -- "setup: stopped: $1"
}
hold_lock() { # FILE PATTERN [WHERE]: another process holds FILE's lock until a line of set-up's output (or of WHERE)
    # matches PATTERN, then notes that it saw it in $work/held (at most five minutes or so); its pid in $holder, which
    # has FILE open twice. It polls with builtins only: on a loaded machine every process start counts.
    [ -e "$1" ] || : >"$1"
    : >"$work/out"
    rm -f "$work/held" "$work/held.holding"
    bash -c 'exec 9<"$0" 8<"$0" && flock 9 && echo >"$3.holding" && for _ in {1..6000}; do
                 while read -r l; do [[ $l =~ $1 ]] && { echo saw >"$3"; exit; }; done <"$2"; read -t 0.05 <>"$4"
             done' "$1" "$2" "${3:-$work/out}" "$work/held" "$base/never" </dev/null >/dev/null 2>&1 &
    holder=$!
    # Until it holds the lock, however slow the machine: a row that went on without it would test nothing.
    for _ in {1..2400}; do [ ! -e "$work/held.holding" ] || return 0; read -t 0.05 <>"$base/never"; done
    echo "FAILED: setup: the stand-in holder never took the lock of $1 within 2 minutes"
    failures=$((failures + 1))
}
SETUP_RECORD=.setup-source # the version record of an unpacked source

mkdir -p "$base/bin"
mkfifo "$base/never" # read from with a timeout: a pause without a process
# dpkg-query -W -f='${Package}:${Architecture} ${Status}\n' PKG...: installed is what $STATE/installed lists
cat >"$base/bin/dpkg-query" <<'EOF'
#!/bin/bash
installed=$'\n'$(<"$STATE/installed")$'\n' rc=0
for p in "${@:3}"; do
    arch=amd64
    [[ $p != *:* ]] || arch=${p#*:}
    if [[ $installed == *$'\n'"$p"$'\n'* ]]; then echo "${p%:*}:$arch install ok installed"; else rc=1; fi
done
exit $rc
EOF
cat >"$base/bin/dpkg" <<'EOF'
#!/bin/bash
case $1 in
--print-foreign-architectures) cat "$STATE/arch" 2>/dev/null ;;
--add-architecture) echo "dpkg $*" >>"$STATE/calls"; echo "$2" >>"$STATE/arch" ;;
esac
EOF
# dpkg-source -x --no-check DSC DIR: a cut tarball does not unpack
cat >"$base/bin/dpkg-source" <<'EOF'
#!/bin/bash
grep -qx whole "${3%/*}"/*.orig.tar.xz || { echo "dpkg-source: error: unexpected end of input in ${3%/*}" >&2; exit 25; }
mkdir -p "${!#}" && basename "$3" >"${!#}/from"
EOF
cat >"$base/bin/sudo" <<'EOF'
#!/bin/bash
echo "sudo $*" >>"$STATE/calls"
exec "$@"
EOF
cat >"$base/bin/sleep" <<EOF
#!/bin/bash
echo "sleep \$*" >>"\$STATE/calls"
exec $(command -v sleep) "\$@"
EOF
cat >"$base/bin/id" <<'EOF'
#!/bin/bash
[ "$1" = -u ] && { echo "${AS_UID:-0}"; exit 0; }
exec /usr/bin/id "$@"
EOF
# apt-get: waits for the lock as long as its option says; what each call then does is the mirror's MODE
cat >"$base/bin/apt-get" <<'EOF'
#!/bin/bash
echo "apt-get $*" >>"$STATE/calls"
wait=(-n) args=()
while [ $# -gt 0 ]; do
    case $1 in
    -o) [[ $2 == DPkg::Lock::Timeout=[1-9]* ]] && wait=(-w "${2#*=}"); shift 2 ;;
    *) args+=("$1"); shift ;;
    esac
done
set -- "${args[@]}"
if [ "$MODE" = locked-twice ] && [ ! -e "$STATE/was-locked-twice" ]; then
    [ ! -e "$STATE/was-locked" ] || : >"$STATE/was-locked-twice"
    : >"$STATE/was-locked"
    echo "E: Could not get lock $LOCK. It is held by process 4242 (unattended-upgr)"
    exit 100
fi
[ "$1" != update ] || wait=(-n) # apt does not wait for the lists' lock
exec 8>>"$LOCK" # held, as apt holds it, until done
if ! flock "${wait[@]}" 8; then
    echo "apt-get: locked out" >>"$STATE/calls"
    echo "E: Could not get lock $LOCK"
    echo "E: Unable to acquire the dpkg frontend lock ($LOCK), is another process using it?"
    exit 100
fi
case "$MODE $*" in
refuse*) echo "E: the mirror refuses every call"; exit 100 ;;
"interrupted update"*) exit 100 ;;
interrupted*) echo "E: dpkg was interrupted, you must manually run 'dpkg --configure -a' to correct the problem."; exit 100 ;;
"unreachable update"*)
    echo "Err:1 http://deb.debian.org/debian bookworm InRelease"
    echo "  Temporary failure resolving 'deb.debian.org'"
    echo "W: Some index files failed to download. They have been ignored, or old ones used instead."
    exit 0 ;;
unreachable*) echo "E: Unable to locate package ${!#}"; exit 100 ;;
"fetch-fails install"*)
    echo "E: Failed to fetch http://deb.debian.org/debian/pool/main/w/wine/${!#}_8.0.deb  Temporary failure resolving 'deb.debian.org'"
    echo "E: Unable to fetch some archives, maybe run apt-get update or try with --fix-missing?"
    exit 100 ;;
"ok update"* | "locked-twice update"* | "fetch-fails update"* | "cut-source update"*) echo "Hit:1 http://deb.debian.org/debian bookworm InRelease"; exit 0 ;;
*" update"*)
    echo "Err:9 http://deb.debian.org/debian-security bookworm-security/main i386 Packages"
    echo "  File has unexpected size (374820 != 376004). Mirror sync in progress? [IP: 203.0.113.80 80]"
    echo "E: Some index files failed to download. They have been ignored, or old ones used instead."
    exit 100 ;;
"cut-source source "*) touch "${!#}_1.0-1.dsc"; : >"${!#}_1.0.orig.tar.xz"; exit 0 ;;
*" source "*) touch "${!#}_1.0-1.dsc"; echo whole >"${!#}_1.0.orig.tar.xz"; exit 0 ;;
esac
if [ "$MODE" = broken ] || { [ "$MODE" = no-wine32 ] && [[ " $* " == *" wine32:i386 "* ]]; } ||
   { [ "$MODE" = half-synced ] && [[ " $* " == *" wine32:i386 "* && " $* " != *" -t bookworm "* ]]; }; then
    echo " ${!#} : Depends: libwine:i386 (= 8.0~repack-4) but it is not going to be installed"
    echo "E: Unable to correct problems, you have held broken packages."
    exit 100
fi
for p in "$@"; do [[ $p == -* || $p == install || $p == bookworm ]] || echo "$p" >>"$STATE/installed"; done
EOF
chmod +x "$base/bin"/*
debian_sources=$'Types: deb\nURIs: http://deb.debian.org/debian\nSuites: bookworm'
echo 'VERSION_CODENAME=bookworm' >"$base/os-release"

# run_setup MODE ROAD [keep|keep-src]: one set-up of the packages and sources; keep: on the machine as the last one
# left it (keep-src: third_party/src too). A row's own settings come as variables before the call.
run_setup() {
    local gone=()
    [ -n "${3:-}" ] || gone+=("$work/state" "$work/cache" "$work/etc")
    [ "${3:-}" = keep-src ] || gone+=("$work/src")
    [ ${#gone[@]} -eq 0 ] || rm -rf "${gone[@]}"
    mkdir -p "$work/state" "$work/etc/sources.list.d"
    : >"$work/state/calls"
    local lists=("$work"/etc/sources.list.d/*)
    [ -e "${lists[0]}" ] || [ -f "$work/etc/sources.list" ] || echo "$debian_sources" >"$work/etc/sources.list.d/debian.sources"
    (
        export PATH="$base/bin:$PATH" STATE="$work/state" MODE=$1 LOCK=$lock AS_UID=${AS_UID:-} HOME="$work/home"
        export SETUP_RETRY_PAUSE=0 SETUP_LOCK_WAIT=${SETUP_LOCK_WAIT:-5} SETUP_APT_LOCKS=$lock XDG_CACHE_HOME=
        export SETUP_APT_ETC="$work/etc" SETUP_OS_RELEASE=${SETUP_OS_RELEASE:-$base/os-release}
        export SETUP_MACHINE_CACHE="$work/cache" SETUP_SUDO=${SETUP_SUDO:-sudo}
        set -euo pipefail # as setup.sh runs them
        . "$top/scripts/setup-packages.sh"
        setup_packages "$2" "$work/src" # a failed step ends the subshell, as it ends set-up
        flock -n "$SETUP_CACHE" true || echo "setup: the cache is still locked"
        echo "road: $SETUP_ROAD"
    ) >"$work/out" 2>&1
    status=$?
}
installed() { # PKG...: the stand-in machine has these installed
    mkdir -p "$work/state"
    printf '%s\n' "$@" >>"$work/state/installed"
}
all_but_wine32() { (. "$top/scripts/setup-packages.sh" && printf '%s\n' "${base_packages[@]}" "${x64_packages[@]}"); }

rows_machine_cache() {
    # A mirror in mid-sync: the update fails on one index, the 32-bit Wine's install on broken packages, the install
    # with the release preferred succeeds; both are said, and the sources land in the machine's cache.
    run_setup half-synced x86
    check "half-synced mirror: set-up goes on" [ $status -eq 0 ]
    check "half-synced mirror: the update is tried three times, with a pause between" [ "$(calls ' update')$(calls sleep)" = 32 ]
    check "half-synced mirror: the failed index is named" \
        has "$work/out" "warning: apt-get update failed 3 times on http://deb.debian.org/debian-security bookworm-security/main i386 Packages"
    check "half-synced mirror: apt's refusal is shown" has "$work/out" "you have held broken packages"
    check "half-synced mirror: the release is preferred and said" has "$work/out" "release's own suite preferred (-t bookworm)"
    check "half-synced mirror: the second install prefers the release" [ "$(calls 'install -t bookworm')" = 1 ]
    check "half-synced mirror: i386 and deb-src are enabled" has "$work/etc/sources.list.d/debian.sources" "Types: deb deb-src"
    check "half-synced mirror: the 32-bit road stands" has "$work/out" "road: x86"
    check "half-synced mirror: the cache is unlocked when done" lacks "$work/out" "still locked"
    check "half-synced mirror: sources cached and unpacked" [ -f "$work/cache/sources/minizip/minizip_1.0-1.dsc" -a -d "$work/src/tinyxml2" -a -d "$work/src/minizip" ]

    # The same machine again, now with a mirror that refuses every call: all is installed and cached, so no call.
    run_setup refuse x86 keep
    check "all installed and cached: set-up passes" [ $status -eq 0 ]
    check "all installed and cached: no apt-get call" [ ! -s "$work/state/calls" ]
    check "all installed and cached: sources unpacked from the cache" has "$work/src/tinyxml2/from" "tinyxml2_1.0-1.dsc"

    # third_party/src partly moved in (no record), and one from an older source version: both replaced, no mirror call.
    rm -rf "$work/src/tinyxml2/$SETUP_RECORD" "$work/src/tinyxml2/from"
    touch "$work/src/tinyxml2/half"
    mkdir "$work/src/.minizip.Ab12Cd" # a killed set-up's unpacking
    echo minizip_0.9-1.dsc >"$work/src/minizip/$SETUP_RECORD"
    run_setup refuse x86 keep-src
    check "partial and older sources: set-up passes without the mirror" [ $status -eq 0 -a ! -s "$work/state/calls" ]
    check "partial and older sources: replaced by the cached version, what a killed one left removed" \
        [ ! -e "$work/src/tinyxml2/half" -a ! -e "$work/src/.minizip.Ab12Cd" ] &&
        check "partial and older sources: both record the cached version" \
            [ "$(cat "$work/src/tinyxml2/$SETUP_RECORD" "$work/src/minizip/$SETUP_RECORD")" = "$(printf 'tinyxml2_1.0-1.dsc\nminizip_1.0-1.dsc')" ]

    # Not root, with everything installed and the machine's cache filled: that cache serves, no apt-get call.
    AS_UID=1000 run_setup refuse x86 keep
    check "not root, machine cache filled: set-up passes, no apt-get call" [ $status -eq 0 -a ! -s "$work/state/calls" ]
    check "not root, machine cache filled: unpacked from it" has "$work/src/minizip/from" "minizip_1.0-1.dsc"
    check "not root, machine cache filled: no cache of its own" [ ! -e "$work/home" ]

    # A second set-up holds the machine's cache: this one says so and waits (the holder sees it blocked), then passes;
    # the sources, whole and current, are kept as they stand.
    touch "$work/src/minizip/mark"
    hold_lock "$work/cache" "^[0-9]+: -> FLOCK .*:$(stat -c %i "$work/cache") " /proc/locks
    run_setup refuse x86 keep-src
    holder=
    check "two set-ups: the second waits for the first" [ $status -eq 0 -a -f "$work/held" ] &&
        check "two set-ups: the wait is said" has "$work/out" "another set-up is running on this machine"
    check "whole and current sources: kept as they stand" [ -f "$work/src/minizip/mark" ]
}

rows_user_cache() {
    # Everything installed but the sources cached nowhere; not root; a classic sources.list. One update, deb-src lines
    # added through sudo, the sources fetched as the user into the user's own cache, readable by all.
    rm -rf "$work/state" "$work/cache" "$work/etc"
    mkdir -p "$work/etc"
    echo 'deb http://deb.debian.org/debian bookworm main' >"$work/etc/sources.list"
    installed $(all_but_wine32) wine32:i386
    AS_UID=1000 run_setup ok x86 keep
    usercache=$work/home/.cache/kelnova-setup/sources
    check "sources not cached: set-up passes, installing nothing" [ $status -eq 0 -a "$(calls ' install')" = 0 ]
    check "sources not cached: one update, through sudo" \
        [ "$(calls '^apt-get .* update')$(calls '^sudo env DEBIAN_FRONTEND=noninteractive apt-get .* update')" = 11 ]
    check "sources not cached: fetched as the user into the user's cache, readable by all" \
        [ "$(calls ' source ')" = 2 -a "$(stat -c %a "$usercache/minizip")" = 755 ]
    check "classic sources.list: deb-src lines added, the deb lines kept" \
        [ "$(grep -c '^deb\(-src\)\{0,1\} http://deb.debian.org/debian bookworm main$' "$work/etc/sources.list")" = 2 ]
    check "sources not cached: the update's own words are shown" has "$work/out" "Hit:1 http://deb.debian.org/debian bookworm InRelease"

    # A killed copy left a cut tarball in that cache: it is dropped and fetched again; the deb-src line stays single.
    : >"$usercache/tinyxml2/tinyxml2_1.0.orig.tar.xz"
    mkdir "$usercache/.tinyxml2.Ab12Cd" # a killed set-up's download
    AS_UID=1000 run_setup ok x86 keep
    check "cut tarball: set-up passes, saying it fetches again" has "$work/out" "the cached source of tinyxml2 does not unpack"
    check "cut tarball: fetched again, what a killed one left removed" \
        [ "$(calls 'source -q --download-only tinyxml2')" = 1 -a ! -e "$usercache/.tinyxml2.Ab12Cd" ]
    check "cut tarball: the source is unpacked" has "$work/src/tinyxml2/$SETUP_RECORD" "tinyxml2_1.0-1.dsc"
    check "classic sources.list: deb-src lines added once" [ "$(grep -c '^deb-src' "$work/etc/sources.list")" = 1 ]
}

rows_no_sudo() {
    # Not root and no sudo, packages missing: one line says set-up needs root for them.
    AS_UID=1000 SETUP_SUDO=no-such-sudo run_setup ok x86
    check "not root, no sudo: stops naming the packages" stopped_with "set-up needs root to install g++-mingw-w64-i686 cmake"
    check "not root, no sudo: no apt-get call" [ ! -s "$work/state/calls" ]
}

rows_unreachable() {
    # An unreachable mirror with only the 32-bit Wine missing: apt cannot locate it, which proves nothing; stop.
    rm -rf "$work/state"
    installed $(all_but_wine32)
    run_setup unreachable x86 keep
    check "unreachable mirror: stops naming only the 32-bit Wine and the mirror" \
        stopped_with "could not install wine32:i386: the package mirror could not be reached"
    check "unreachable mirror: no x86-64 road" [ "$(calls ' wine64')" = 0 ]
}

rows_download_dropped() {
    # The mirror drops the 32-bit Wine's download: apt did not refuse it, so no retry and no x86-64 road.
    rm -rf "$work/state"
    installed $(all_but_wine32)
    run_setup fetch-fails x86 keep
    check "download dropped: stops naming the mirror" stopped_with "could not install wine32:i386: the package mirror could not be reached"
    check "download dropped: no retry, no x86-64 road" [ "$(calls ' -t ')$(calls ' wine64')" = 00 ]
}

rows_no_wine32() {
    # No 32-bit Wine to be had: the x86-64 road is taken, and why is said.
    run_setup no-wine32 x86
    check "no 32-bit Wine: set-up goes on" [ $status -eq 0 ]
    check "no 32-bit Wine: the x86-64 road is taken" has "$work/out" "road: x86_64"
    check "no 32-bit Wine: the reason is said" has "$work/out" "the 32-bit Wine cannot be installed here"
    check "no 32-bit Wine: wine64 is installed" grep -qx wine64 "$work/state/installed"
}

rows_both_toolchains() {
    # Both toolchains (KELNOVA_X64=1 on a host that runs 32-bit code), no 32-bit Wine to be had: the rest, the x86-64
    # toolchain included, goes in first, then the 32-bit Wine alone; the x86-64 road, nothing installed twice.
    run_setup no-wine32 x86+x86_64
    check "both toolchains: i386 added, the x86-64 road taken" [ "$(calls 'add-architecture i386')" = 1 ] &&
        check "both toolchains: the road" has "$work/out" "road: x86_64"
    check "both toolchains: the x86-64 toolchain goes in with the rest, once" \
        [ "$(calls 'no-install-recommends g++-mingw-w64-i686 .* g++-mingw-w64-x86-64 wine64$')$(calls ' wine64')" = 11 ]
    check "both toolchains: the 32-bit Wine alone" [ "$(calls 'no-install-recommends wine32:i386$')" = 2 ]
}

rows_nothing_installs() {
    # Nothing installs, and the release has no codename: set-up stops naming the refused package and the failed index.
    SETUP_OS_RELEASE=/dev/null run_setup broken x86_64
    check "nothing installs: the message names the package and the index" \
        stopped_with "could not install wine64 (the index that failed to download: http://deb.debian.org/debian-security bookworm-security/main i386 Packages)"
    check "nothing installs: the skipped retry is said" has "$work/out" "names no VERSION_CODENAME, so the retry"
    check "x86-64 road: no i386 architecture is added" [ "$(calls 'add-architecture')" = 0 ]
}

rows_dpkg_interrupted() {
    # An interrupted dpkg, behind an update that fails without a word: the mending command, no retry, no other road.
    run_setup interrupted x86
    check "dpkg interrupted: apt's words are shown" has "$work/out" "E: dpkg was interrupted"
    check "dpkg interrupted: stops with the mending command" stopped_with "an earlier package install was interrupted: mend it with 'dpkg --configure -a'"
    check "dpkg interrupted: the silent update is warned of" has "$work/out" "an index apt did not name"
    check "dpkg interrupted: nothing else is tried" [ "$(calls ' install')" = 1 ]

    # The same with only the 32-bit Wine left to install: one stop line, the mending command, no other road.
    rm -rf "$work/state"
    installed $(all_but_wine32)
    run_setup interrupted x86 keep
    check "dpkg interrupted at the 32-bit Wine: stops with the mending command" \
        stopped_with "an earlier package install was interrupted: mend it with 'dpkg --configure -a'"
}

rows_lock_held_a_while() {
    # apt's lock held until the update found it held and set-up paused to try again, then freed: the wait is said
    # once and set-up goes on. Freed at the pause, not at the update's words: set-up looks for the holder between.
    hold_lock "$lock" "^sleep 1$" "$work/state/calls"
    SETUP_LOCK_WAIT=60 run_setup ok x86
    check "lock held a while: set-up goes on on the 32-bit road" has "$work/out" "road: x86"
    check "lock held a while: the wait is said once, naming the holder once" \
        [ "$(grep -cxF "setup: waiting up to 60 s for $lock, held by process $holder (bash)" "$work/out")" = 1 ]
    check "lock held a while: a second's pause before the next try" [ "$(calls '^sleep 1$')" = 1 ]
}

rows_lock_held_throughout() {
    # apt's lock held throughout: one line names the lock and its holder; no retry, no other road.
    hold_lock "$lock" "no such line"
    SETUP_LOCK_WAIT=1 run_setup ok x86
    kill "$holder"
    check "lock held throughout: stops naming the lock and the holder" \
        stopped_with "$lock is still held by process $holder (bash) after 1 s"
    check "lock held throughout: nothing else is tried, the lock tried once a second" \
        [ "$(calls ' install')" = 0 -a "$(calls 'locked out')" -le 2 -a $(($(calls 'locked out') - $(calls '^sleep 1$'))) = 1 ]
    holder=

    # A busy machine: 150 other locks held and others taken and dropped all along. A lock held throughout is seen
    # held at every look (the kernel's list shifts under such a reader).
    hold_lock "$lock" "no such line"
    local others=() i
    mkdir -p "$work/others"
    for i in {1..150}; do
        bash -c 'exec 7>"$0" && flock 7 && read -t 30 <>"$1"' "$work/others/$i" "$base/never" & others+=($!)
    done
    for i in {1..4}; do
        bash -c 'for _ in {1..4000}; do flock "$0" true; done' "$work/others/churn$i" & others+=($!)
    done
    local missed
    missed=$(. "$top/scripts/setup-packages.sh"
             n=0; for _ in {1..150}; do locks_taken "$lock" || n=$((n + 1)); done; echo $n)
    kill "${others[@]}" "$holder" 2>/dev/null
    holder=
    check "busy machine: a lock held throughout is seen held at every look" [ "$missed" = 0 ]
}

rows_lock_holder_unseen() {
    # apt's lists locked twice by a process set-up cannot see (another user's), then freed: apt's words name it, once.
    SETUP_LOCK_WAIT=60 run_setup locked-twice x86
    check "lock holder unseen: set-up goes on" has "$work/out" "road: x86" &&
        check "lock holder unseen: apt's words name it, once" \
            [ "$(grep -c "waiting up to 60 s for $lock, held by process 4242 (unattended-upgr)" "$work/out")" = 1 ]
}

rows_no_sudo_sources_missing() {
    # Not root and no sudo, everything installed, the sources cached nowhere: the lists as they stand serve the fetch.
    rm -rf "$work/state" "$work/home" "$work/cache"
    installed $(all_but_wine32) wine32:i386
    AS_UID=1000 SETUP_SUDO=no-such-sudo run_setup ok x86 keep
    check "not root, no sudo, sources missing: fetched with the lists as they stand" \
        [ $status -eq 0 -a "$(calls ' update')$(calls ' source ')" = 02 ]
}

rows_x64_road() {
    # The x86-64 road on a fresh machine: the x86-64 toolchain and wine64 go in with the rest, nothing 32-bit.
    run_setup ok x86_64
    check "x86-64 road: set-up goes on" has "$work/out" "road: x86_64"
    check "x86-64 road: the x86-64 toolchain installed, no i386, no 32-bit Wine" \
        [ "$(calls 'no-install-recommends g++-mingw-w64-i686 .* g++-mingw-w64-x86-64 wine64$')$(calls 'i386')" = 10 ]
}

rows_sources_not_to_be_had() {
    # Everything installed, the sources cached nowhere and the mirror refusing: one line names the source and why.
    installed $(all_but_wine32) wine32:i386
    run_setup refuse x86 keep
    check "sources not to be had: stops naming the source and apt's words" \
        stopped_with "could not fetch the source package tinyxml2 (the index that failed to download: the mirror refuses every call)"
}

rows_cut_download() {
    # A source that arrives cut: it is not fetched again; one line says it does not unpack.
    installed $(all_but_wine32) wine32:i386
    run_setup cut-source x86 keep
    check "cut download: stops naming the source" stopped_with "could not unpack tinyxml2 from $work/cache/sources/tinyxml2"
    check "cut download: fetched once" [ "$(calls ' source ')" = 1 ]
}

rows_unwritable_cache() {
    # A cache folder that cannot be made: one line says so.
    installed $(all_but_wine32) wine32:i386
    SETUP_CACHE=$base/os-release/cache run_setup ok x86 keep
    check "unwritable cache: stops naming the folder" stopped_with "the cache folder $base/os-release/cache/sources cannot be written"
}

# Each group on its own machine, all at once; a failing group shows its checks and its last set-up's output.
pids=()
groups="machine_cache user_cache lock_held_a_while lock_held_throughout lock_holder_unseen no_sudo unreachable
        download_dropped no_wine32 both_toolchains nothing_installs dpkg_interrupted no_sudo_sources_missing unwritable_cache
        x64_road sources_not_to_be_had cut_download"
for g in $groups; do
    (
        work=$base/$g lock=$base/$g/lock holder= failures=0 # lock: apt's, as the stand-in takes it
        mkdir -p "$work"
        trap '[ -z "$holder" ] || kill "$holder" 2>/dev/null' EXIT
        "rows_$g"
        if [ $failures -ne 0 ]; then
            echo "--- last set-up output ($g):"
            cat "$work/out"
            exit 1
        fi
    ) >"$base/$g.log" 2>&1 &
    pids+=("$g:$!")
done
failed=0
for p in "${pids[@]}"; do
    wait "${p#*:}" && continue
    cat "$base/${p%%:*}.log"
    failed=1
done
[ $failed -eq 0 ] || exit 1
echo "setup: package decisions pass (mirrors half-synced, refusing and unreachable; apt's lock; dpkg interrupted; cut, partial and older sources; not root; two set-ups; both toolchains)"
