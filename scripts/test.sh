#!/usr/bin/env bash
# Runs every test through ctest under Wine with a private Xvfb display: the 32-bit build under 32-bit Wine, or,
# where this host cannot run that, the x86-64 build under wine64 (scripts/road.sh).
set -uo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
. "$top/scripts/wine-env.sh"
road_line testing
bash "$top/tests/setup/setup_test.sh" || exit 1
require_build || exit 1
# The shipped 32-bit programs are built on either road.
if [ "$build_dir" != "$top/build" ]; then
    # shellcheck disable=SC2086
    cmake --build "$top/build" -j"$(nproc)" --target $SHIPPED_PROGRAMS || exit 1
fi
cmake --build "$build_dir" -j"$(nproc)" || exit 1
# The tree keeps one style: a file that differs from .clang-format fails the run here.
bash "$top/scripts/format.sh" --check || { echo "run scripts/format.sh to apply the style" >&2; exit 1; }

XVFB_PID=
cleanup() {
    wineserver -k >/dev/null 2>&1 || true
    [ -n "$XVFB_PID" ] && kill "$XVFB_PID" 2>/dev/null
    return 0
}
trap cleanup EXIT
start_xvfb || exit 1
prepare_prefix
wineserver -p >/dev/null 2>&1 # keep one server for the whole run
# Start the session's service processes now, away from ctest's output pipes: otherwise they inherit the
# first test's stdout and ctest waits for it until the timeout.
wine cmd.exe /c exit </dev/null >/dev/null 2>&1
# The same for the desktop process, which the first window-related call would start.
wine "$build_dir/tests/MsgBoxAnswer.exe" 1 50 </dev/null >/dev/null 2>&1

# Tests talk to loopback servers only: no proxy may stand in between.
unset http_proxy https_proxy HTTP_PROXY HTTPS_PROXY all_proxy ALL_PROXY

cd "$build_dir"
# A test that fails is run once more before it counts: Wine's process start-up under a full -j load
# is occasionally slow. Its first failure still shows in the output above the summary, and the tests
# that passed only on their second run are named at the end: a flaky test is a bug to fix.
# Twice: as set up (code page 1252), then under a Chinese locale, where Wine takes code page 936 as
# our users' Windows does. The handler-injection scenes (label "injection") run in the first pass only: they
# test what handlers may free, which no code page changes, and they are the longest tests.
retried_tests() { # ctest log
    # Every run of a test ends in one line "Test #N: Name ....   Passed" or ".... ***Failed" (***Timeout,
    # ***Exception, ***Not Run); a test whose first outcome failed and whose last passed was retried.
    awk '
        match($0, /Test +#[0-9]+: [^ ]+ /) {
            name = substr($0, RSTART, RLENGTH)
            sub(/^Test +#[0-9]+: /, "", name)
            sub(/ $/, "", name)
            failed = index(substr($0, RSTART + RLENGTH), "***") > 0
            if (!(name in first)) { first[name] = failed; order[++n] = name }
            last[name] = failed
        }
        END { for (i = 1; i <= n; ++i) if (first[order[i]] && !last[order[i]]) print order[i] }
    ' "$1"
}
status=0
retried=
ctest_log=$(mktemp)
for run_locale in "" zh_CN.UTF-8; do
    : >"$ctest_log"
    [ -n "$run_locale" ] && echo "=== again under LC_ALL=$run_locale (code page 936) ==="
    LC_ALL=${run_locale:-${LC_ALL:-}} ctest --output-on-failure -j"${TEST_JOBS:-$(nproc)}" --timeout 300 \
        --repeat until-pass:2 -O "$ctest_log" ${run_locale:+-LE injection} "$@" || status=1
    for t in $(retried_tests "$ctest_log"); do retried+="    $t${run_locale:+ (under $run_locale)}"$'\n'; done
done
rm -f "$ctest_log"
if [ -n "$retried" ]; then
    echo
    echo "Tests that passed only on their second run (flaky: find the race):"
    printf '%s' "$retried"
fi
exit $status
