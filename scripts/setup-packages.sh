# Sourced by setup.sh (and by its tests, with stand-ins for apt-get, dpkg, dpkg-query, dpkg-source, sudo and id first
# on PATH): the package steps. A package mirror can be half-synced, so nothing here calls it when everything is
# installed and the dependency sources are cached; an update that fails in part goes on with the lists that did
# download; an install that apt refuses is tried once more with the release's own suite preferred. The machine may be
# busy: apt's locks are waited for, and two set-ups on one machine take turns. What the cache and third_party/src
# hold is whole or absent: each is made beside its place and renamed in. Every stop ends in one "setup:" line.

SETUP_APT_ETC=${SETUP_APT_ETC:-/etc/apt}
SETUP_OS_RELEASE=${SETUP_OS_RELEASE:-/etc/os-release}
SETUP_RETRY_PAUSE=${SETUP_RETRY_PAUSE:-5}
SETUP_LOCK_WAIT=${SETUP_LOCK_WAIT:-600} # a first boot's own package run can take minutes
SETUP_APT_LOCKS=${SETUP_APT_LOCKS:-/var/lib/dpkg/lock-frontend /var/lib/dpkg/lock /var/lib/apt/lists/lock /var/cache/apt/archives/lock}
SETUP_MACHINE_CACHE=${SETUP_MACHINE_CACHE:-/var/cache/kelnova-setup}
SETUP_SUDO=${SETUP_SUDO:-sudo}

base_packages=(g++-mingw-w64-i686 cmake ninja-build wine xvfb xauth
               libz-mingw-w64-dev libboost-dev libeasyloggingpp-dev libstb-dev googletest
               dpkg-dev python3 unzip fonts-wqy-microhei imagemagick locales clang-format)
x86_packages=(wine32:i386)
x64_packages=(g++-mingw-w64-x86-64 wine64)
source_packages=(tinyxml2 minizip)
SETUP_RECORD=.setup-source # in each unpacked source: the .dsc it came from

# Root for apt: as root nothing, else sudo; SETUP_NO_ROOT when neither can be had.
SUDO= SETUP_NO_ROOT= SETUP_UID=$(id -u)
if [ "$SETUP_UID" -ne 0 ]; then
    if command -v "$SETUP_SUDO" >/dev/null; then SUDO=$SETUP_SUDO; else SETUP_NO_ROOT=1; fi
fi

SETUP_FAILED_INDEX=       # what the last update could not fetch, for the final message
SETUP_MIRROR_UNREACHABLE= # the last update could not connect: apt's refusals then prove nothing
SETUP_STOPPED=            # the stop line was said
SETUP_APT_OUT=            # what the last apt-get call printed
SETUP_INSTALL_OUT=        # all the last install printed, its retry included
SETUP_UNPACK_ERR=         # what the last failed unpack said

say() { echo "setup: $*"; }
show_apt() { [ -z "$SETUP_APT_OUT" ] || printf '%s\n' "$SETUP_APT_OUT"; }
stop() { # CAUSE: the one line a stop ends in
    SETUP_STOPPED=1
    say "stopped: $*"
}

# A step that fails where no stop was foreseen still ends in one line naming it (once, from the set-up's own shell).
SETUP_PID=$BASHPID
setup_failed_step() { # STATUS COMMAND WHERE
    if [ -z "$SETUP_STOPPED" ] && [ "$BASHPID" = "$SETUP_PID" ] && [[ $- == *e* ]]; then
        stop "'$2' failed with status $1 ($3)"
    fi
}
set -E
trap 'setup_failed_step $? "$BASH_COMMAND" "${BASH_SOURCE[0]##*/}:$LINENO"' ERR

missing_packages() { # PKG...: those not installed (PKG:ARCH for that architecture only) on one line, in one query
    local p line installed=" " missing=
    while read -r line; do
        [[ $line != *" install ok installed" ]] || installed+="${line%% *} "
    done < <(dpkg-query -W -f='${Package}:${Architecture} ${Status}\n' "$@" 2>/dev/null)
    for p in "$@"; do
        case $p in
        *:*) [[ $installed == *" $p "* ]] ;;
        *) [[ $installed == *" $p:"* ]] ;;
        esac || missing+="${missing:+ }$p"
    done
    [ -z "$missing" ] || echo "$missing"
}

cached_dsc() { # CACHE PKG: the cached .dsc of PKG
    local f
    for f in "$1/sources/$2"/*.dsc; do
        [ -f "$f" ] && echo "$f" && return 0
    done
    return 1
}

sources_cached() { # CACHE: every source package has a .dsc there
    local p
    for p in "${source_packages[@]}"; do
        cached_dsc "$1" "$p" >/dev/null || return 1
    done
}

lock_holders() { # FILE...: "FILE<tab>process PID (NAME), ..." for the first FILE that processes have open
    local find=() f line pid first= seen= out=
    for f in "$@"; do find+=(${find[0]:+-o} -lname "$f"); done
    while read -r line; do # "/var/lib/dpkg/lock-frontend /proc/1234/fd"
        f=${line% *}
        pid=${line##* /proc/}
        pid=${pid%/fd}
        [ -n "$first" ] || first=$f
        [ "$f" = "$first" ] || continue
        case " $seen " in *" $pid "*) continue ;; esac
        seen+=" $pid"
        out+="${out:+, }process $pid ($(cat "/proc/$pid/comm" 2>/dev/null || echo '?'))"
    done < <(find /proc/[0-9]*/fd -maxdepth 1 \( "${find[@]}" \) -printf '%l %h\n' 2>/dev/null)
    [ -z "$out" ] || printf '%s\t%s\n' "$first" "$out"
}

locks_taken() { # FILE...: the kernel lists a lock on one of them; one stat and a read, where a scan of every process's
    # files takes seconds on a busy machine, so that scan is made only for a lock that is there. The kernel hands the
    # list out a page at a time, and other processes' locks and unlocks between two pages shift it: a read can pass
    # over a lock held throughout, the more often the smaller its reads (the shell's, line by line, missed one in
    # ten on a busy machine). So it is read by grep, in large reads, three times before it counts as free.
    local inodes pattern _
    inodes=$(stat -L -c %i "$@" 2>/dev/null) || [ -n "$inodes" ] || return 1
    pattern=":($(echo $inodes | tr ' ' '|')) " # "1: POSIX  ADVISORY  WRITE 1234 08:01:131090 0 EOF"
    for _ in 1 2 3; do grep -qE "$pattern" /proc/locks && return 0; done
    return 1
}

# apt_get AS ARG...: apt-get as root (AS=root: through sudo where needed) or as the user, its output (without apt's
# repeated lock notices) in SETUP_APT_OUT. A held package lock is waited for up to SETUP_LOCK_WAIT s in all, said
# once; apt waits for dpkg's locks itself, the others are tried again here. A lock still held, or an interrupted
# dpkg, is a stop.
apt_get() {
    local as=$1 deadline=$((SECONDS + SETUP_LOCK_WAIT)) said= rc lock holder left cmd
    shift
    if locks_taken $SETUP_APT_LOCKS && IFS=$'\t' read -r lock holder < <(lock_holders $SETUP_APT_LOCKS); then
        say "waiting up to $SETUP_LOCK_WAIT s for $lock, held by $holder"
        said=1
    fi
    while :; do
        left=$((deadline - SECONDS))
        [ $left -gt 0 ] || left=0
        cmd=(env DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=$left "$@")
        [ "$as" != root ] || [ -z "$SUDO" ] || cmd=("$SUDO" "${cmd[@]}")
        rc=0
        SETUP_APT_OUT=$("${cmd[@]}" 2>&1) || rc=$?
        [[ $SETUP_APT_OUT != *"Waiting for cache lock"* ]] ||
            SETUP_APT_OUT=$(printf '%s\n' "$SETUP_APT_OUT" | sed '/Waiting for cache lock/d')
        if [[ $SETUP_APT_OUT == *"dpkg was interrupted"* ]]; then
            cmd=$(printf '%s\n' "$SETUP_APT_OUT" | sed -n "s/.*dpkg was interrupted, you must manually run '\([^']*\)'.*/\1/p;T;q")
            show_apt
            SETUP_APT_OUT=
            stop "an earlier package install was interrupted: mend it with '${SUDO:+$SUDO }${cmd:-dpkg --configure -a}', then run set-up again"
            return 1
        fi
        [[ $SETUP_APT_OUT == *"Could not get lock"* ]] || return $rc
        lock=$(printf '%s\n' "$SETUP_APT_OUT" | sed -n 's/^E: Could not get lock \(\/[^ ]*[^ .]\).*/\1/p;T;q')
        holder=
        ! locks_taken "$lock" || holder=$(lock_holders "$lock" | cut -f2)
        [ -n "$holder" ] || holder=$(printf '%s\n' "$SETUP_APT_OUT" | sed -n 's/.*It is held by \(process [0-9]*\( ([^)]*)\)\{0,1\}\).*/\1/p;T;q')
        if [ $SECONDS -ge $deadline ]; then
            stop "$lock is still held by ${holder:-a process set-up cannot see} after $SETUP_LOCK_WAIT s; run set-up again once it is free"
            return 1
        fi
        if [ -z "$said" ]; then
            say "waiting up to $SETUP_LOCK_WAIT s for $lock, held by ${holder:-a process set-up cannot see}"
            said=1
        fi
        sleep 1
    done
}

enable_apt_sources() { # WITH_I386 (0/1): i386 packages and deb-src lines for the configured sources
    if [ "$1" = 1 ] && ! dpkg --print-foreign-architectures | grep -qx i386; then
        if ! $SUDO dpkg --add-architecture i386; then
            stop "could not add the i386 architecture (dpkg --add-architecture i386 failed)"
            return 1
        fi
    fi
    local f
    for f in "$SETUP_APT_ETC"/sources.list.d/*.sources; do
        [ -f "$f" ] || continue
        if grep -q '^Types: deb$' "$f" && ! $SUDO sed -i 's/^Types: deb$/Types: deb deb-src/' "$f"; then
            stop "could not add deb-src to $f"
            return 1
        fi
    done
    f=$SETUP_APT_ETC/sources.list
    if [ -f "$f" ] && grep -q '^deb ' "$f" && ! grep -q '^deb-src ' "$f"; then
        if ! grep '^deb ' "$f" | sed 's/^deb /deb-src /' | $SUDO tee -a "$f" >/dev/null; then
            stop "could not add deb-src lines to $f"
            return 1
        fi
    fi
}

apt_update() { # three tries; then on with the lists that did download, naming the ones that did not
    local try rc
    for try in 1 2 3; do
        rc=0
        apt_get root update -q || rc=$?
        [ -z "$SETUP_STOPPED" ] || return 1
        # apt says a mirror it cannot reach in Err: lines but exits 0
        if [ $rc -eq 0 ] && [[ $SETUP_APT_OUT != *Err:* ]]; then
            show_apt
            return 0
        fi
        [ $try -lt 3 ] && sleep "$SETUP_RETRY_PAUSE"
    done
    show_apt
    # "Err:9 http://... bookworm-security/main i386 Packages": the index that failed
    SETUP_FAILED_INDEX=$(printf '%s\n' "$SETUP_APT_OUT" | sed -n 's/^Err:[0-9]* //p' | sed 's/ *$//' | paste -sd ';' | sed 's/;/; /g')
    [ -n "$SETUP_FAILED_INDEX" ] || SETUP_FAILED_INDEX=$(printf '%s\n' "$SETUP_APT_OUT" | sed -n 's/^E: //p;T;q')
    if printf '%s\n' "$SETUP_APT_OUT" |
        grep -Eq 'Temporary failure resolving|Could not resolve|Could not connect|Connection failed|Connection timed out|Network is unreachable|No route to host'; then
        SETUP_MIRROR_UNREACHABLE=1
    fi
    say "warning: apt-get update failed 3 times on ${SETUP_FAILED_INDEX:-an index apt did not name (it said no Err: or E: line)}; going on with the lists that did download"
}

SETUP_MIRROR_READY=
prepare_mirror() { # WITH_I386: once, before the first call that needs the mirror's lists
    [ -z "$SETUP_MIRROR_READY" ] || return 0
    SETUP_MIRROR_READY=1
    if [ -n "$SETUP_NO_ROOT" ]; then
        say "not root, and $SETUP_SUDO is not installed: the package lists are used as they stand (no deb-src lines added, no update)"
        return 0
    fi
    enable_apt_sources "$1" || return 1
    apt_update
}

install_cause() { # why the last install failed: network, refused (apt cannot install what was asked) or other
    case $SETUP_APT_OUT in
    *"Unable to fetch some archives"* | *"Temporary failure resolving"* | *"Could not connect"* | *"Could not resolve"*) echo network ;;
    *"held broken packages"* | *"is not going to be installed"* | *"has no installation candidate"* | *"Unable to locate package"*) echo refused ;;
    *) echo other ;;
    esac
}

apt_install() { # PKG...: as offered, then, where apt refuses, with the release's own suite preferred
    local codename
    apt_get root install -y -q --no-install-recommends "$@" && { show_apt; return 0; }
    show_apt
    SETUP_INSTALL_OUT=$SETUP_APT_OUT
    [ -z "$SETUP_STOPPED" ] && [ "$(install_cause)" = refused ] || return 1
    codename=$(. "$SETUP_OS_RELEASE" 2>/dev/null && echo "${VERSION_CODENAME:-}") || codename=
    if [ -z "$codename" ]; then
        say "the install failed; $SETUP_OS_RELEASE names no VERSION_CODENAME, so the retry with the release's own suite preferred is skipped"
        return 1
    fi
    say "the install failed; trying once more with the release's own suite preferred (-t $codename)"
    apt_get root install -t "$codename" -y -q --no-install-recommends "$@" && { show_apt; return 0; }
    show_apt
    SETUP_INSTALL_OUT+=$'\n'$SETUP_APT_OUT
    return 1
}

install_failure() { # PKG...: the stop line, naming what is still missing (apt's refused ones first) and why
    local missing named p why=
    missing=$(missing_packages "$@")
    named=
    for p in $(printf '%s\n' "$SETUP_INSTALL_OUT" | sed -n -e 's/^ *\([^ ]*\) : \(Pre\)\{0,1\}Depends:.*/\1/p' \
        -e 's/^E: Unable to locate package \([^ ]*\).*/\1/p' | sort -u); do
        case " $missing " in *" $p "*) named+="${named:+ }$p" ;; esac
    done
    if [ "$(install_cause)" = network ] || [ -n "$SETUP_MIRROR_UNREACHABLE" ]; then
        why=": the package mirror could not be reached"
    fi
    stop "could not install ${named:-$missing}$why${SETUP_FAILED_INDEX:+ (the index that failed to download: $SETUP_FAILED_INDEX)}"
}

fetch_source() { # PKG: fetched into the cache beside its place and renamed in, so the cache holds it whole or not
    local dir=$SETUP_CACHE/sources tmp here=$PWD
    prepare_mirror "$SETUP_WITH_I386" || return 1
    mkdir -p "$dir" 2>/dev/null && rm -rf "${dir:?}/.$1".* # what a killed set-up left behind
    if ! tmp=$(mktemp -d "$dir/.$1.XXXXXX" 2>/dev/null); then
        stop "the cache folder $dir cannot be written (SETUP_CACHE can name another)"
        return 1
    fi
    cd "$tmp"
    if ! apt_get user source -q --download-only "$1"; then
        cd "$here"
        rm -rf "$tmp"
        [ -n "$SETUP_STOPPED" ] ||
            stop "could not fetch the source package $1${SETUP_FAILED_INDEX:+ (the index that failed to download: $SETUP_FAILED_INDEX)}"
        return 1
    fi
    cd "$here"
    chmod 755 "$tmp"
    mv -T "$tmp" "$dir/$1" 2>/dev/null || rm -rf "$tmp" # taken by another set-up meanwhile: theirs is as good
}

unpack_source() { # PKG SRCDIR: SRCDIR/PKG replaced by the cached source, unpacked beside it and renamed in
    local dsc tmp
    dsc=$(cached_dsc "$SETUP_CACHE" "$1") || return 1
    tmp=$(mktemp -d "$2/.$1.XXXXXX") || return 1
    if ! SETUP_UNPACK_ERR=$(dpkg-source -x --no-check "$dsc" "$tmp/unpacked" 2>&1); then
        rm -rf "$tmp"
        return 1
    fi
    echo "${dsc##*/}" >"$tmp/unpacked/$SETUP_RECORD"
    if [ -e "$2/$1" ]; then mv -T "$2/$1" "$tmp/old"; fi
    mv -T "$tmp/unpacked" "$2/$1"
    rm -rf "$tmp"
}

fetch_sources() { # SRCDIR: each source package unpacked from the cache, fetched into it once
    local p dsc have fresh
    if ! mkdir -p "$1"; then
        stop "cannot write $1"
        return 1
    fi
    for p in "${source_packages[@]}"; do
        rm -rf "${1:?}/.$p".* # what a killed set-up left behind
        dsc=$(cached_dsc "$SETUP_CACHE" "$p") || dsc=
        have=
        [ ! -f "$1/$p/$SETUP_RECORD" ] || have=$(<"$1/$p/$SETUP_RECORD")
        # whole (only a rename puts the record there), and from the cached version or nothing cached to compare
        if [ -n "$have" ] && { [ -z "$dsc" ] || [ "$have" = "${dsc##*/}" ]; }; then continue; fi
        fresh=
        if [ -z "$dsc" ]; then
            fetch_source "$p" || return 1
            fresh=1
        fi
        unpack_source "$p" "$1" && continue
        if [ -n "$fresh" ]; then
            stop "could not unpack $p from $SETUP_CACHE/sources/$p: ${SETUP_UNPACK_ERR##*$'\n'}"
            return 1
        fi
        say "the cached source of $p does not unpack (${SETUP_UNPACK_ERR##*$'\n'}); fetching it again"
        if ! mv -T "$SETUP_CACHE/sources/$p" "$SETUP_CACHE/sources/.$p.dropped" 2>/dev/null; then
            stop "the cached source of $p does not unpack and the cache folder $SETUP_CACHE/sources cannot be written"
            return 1
        fi
        rm -rf "$SETUP_CACHE/sources/.$p.dropped"
        fetch_source "$p" || return 1
        if ! unpack_source "$p" "$1"; then
            stop "could not unpack $p from $SETUP_CACHE/sources/$p: ${SETUP_UNPACK_ERR##*$'\n'}"
            return 1
        fi
    done
}

# setup_packages ROAD SRCDIR: installs what the road needs (x86: the 32-bit Wine; x86_64: the x86-64 toolchain and
# wine64; ROAD x86+x86_64 both) and unpacks the sources into SRCDIR. Sets SETUP_ROAD to the road it could
# provide: where apt says the 32-bit Wine cannot be installed at all, that is x86_64. One set-up at a time holds
# the cache folder's lock.
setup_packages() {
    local lockdir
    if [ -z "${SETUP_CACHE:-}" ]; then
        SETUP_CACHE=${XDG_CACHE_HOME:-$HOME/.cache}/kelnova-setup
        if [ "$SETUP_UID" -eq 0 ] || sources_cached "$SETUP_MACHINE_CACHE"; then SETUP_CACHE=$SETUP_MACHINE_CACHE; fi
    fi
    lockdir=$SETUP_CACHE
    mkdir -p "$lockdir" 2>/dev/null || lockdir=$(dirname "$2")
    if ! mkdir -p "$lockdir" || ! exec {SETUP_LOCK_FD}<"$lockdir"; then
        stop "cannot write $lockdir"
        return 1
    fi
    if ! flock -n "$SETUP_LOCK_FD"; then
        say "another set-up is running on this machine (it holds $lockdir); waiting for it"
        flock "$SETUP_LOCK_FD"
    fi
    setup_packages_locked "$@" # a failure ends the set-up here, and the lock with it
    exec {SETUP_LOCK_FD}<&-
}

setup_packages_locked() {
    local road=$1 srcdir=$2 packages others missing
    SETUP_ROAD=$road
    SETUP_WITH_I386=1
    others=("${base_packages[@]}")
    case $road in
    x86) packages=("${others[@]}" "${x86_packages[@]}") ;;
    x86_64) others+=("${x64_packages[@]}") packages=("${others[@]}") SETUP_WITH_I386=0 ;;
    *) others+=("${x64_packages[@]}") packages=("${others[@]}" "${x86_packages[@]}") ;;
    esac
    missing=$(missing_packages "${packages[@]}")
    if [ -n "$missing" ]; then
        if [ -n "$SETUP_NO_ROOT" ]; then
            stop "set-up needs root to install $missing (run it as root, or install $SETUP_SUDO)"
            return 1
        fi
        prepare_mirror "$SETUP_WITH_I386" || return 1
        # The 32-bit Wine goes in on its own, after the rest: only then does a refusal say it cannot be had here.
        missing=$(missing_packages "${others[@]}")
        if [ -n "$missing" ] && ! apt_install $missing; then
            [ -n "$SETUP_STOPPED" ] || install_failure "${others[@]}"
            return 1
        fi
        missing=$(missing_packages "${packages[@]}")
        if [ -n "$missing" ] && ! apt_install $missing; then
            [ -z "$SETUP_STOPPED" ] || return 1
            if [ "$(install_cause)" != refused ] || [ -n "$SETUP_MIRROR_UNREACHABLE" ]; then
                install_failure "${packages[@]}"
                return 1
            fi
            say "the 32-bit Wine cannot be installed here (apt: $(printf '%s\n' "$SETUP_APT_OUT" | sed -n 's/^E: //p;T;q')); the tests will run the x86-64 build under wine64"
            missing=$(missing_packages "${x64_packages[@]}")
            if [ -n "$missing" ] && ! apt_install $missing; then
                [ -n "$SETUP_STOPPED" ] || install_failure "${x64_packages[@]}"
                return 1
            fi
            SETUP_ROAD=x86_64
        fi
    fi
    fetch_sources "$srcdir"
}
