#!/usr/bin/env bash
# Runs a Windows program under Wine for the tests of the Windows build.
#   wine-run.sh PREFIX [--lf] PROGRAM [ARGUMENT...]
# PREFIX is a Wine prefix of the build's own, made on first use and thrown away with the
# build folder. --lf drops the carriage returns of the program's standard output (the C
# runtime's text mode turns every line end of a test listing into CR LF); without it the
# output is passed on byte for byte, and the exit code is the program's either way.
#
# Wine starts helper processes (services, device drivers, the desktop) when a session
# boots, and they inherit the standard handles of the process that booted it: a test's
# output pipe would then stay open until they end, seconds after the program. So the
# session is booted here with its output on /dev/null, and one Wine server is kept alive
# between programs, so that the session lasts from one test to the next.
set -euo pipefail

prefix=$1
shift
lf_only=false
if [ "${1-}" = --lf ]; then
    lf_only=true
    shift
fi

export WINEPREFIX=$prefix WINEARCH=${WINEARCH:-win32} WINEDEBUG=-all
# No Mono or Gecko installers: the programs need neither.
export WINEDLLOVERRIDES="mscoree=;mshtml="

mkdir -p "$(dirname "$prefix")"
# One program at a time makes the prefix and boots the session. The lock's file stays
# closed in Wine's own processes, which outlive this script: one that held it would
# keep the next program waiting until the server ends.
{
    flock 9
    if [ ! -f "$prefix/system.reg" ] && ! wineboot --init </dev/null >/dev/null 2>&1 9>&-; then
        echo "wine-run: cannot make the Wine prefix $prefix" >&2
        exit 125
    fi
    # A server is started only when none runs for this prefix; it stays 30 s after the
    # last program has ended.
    wineserver -p30 </dev/null >/dev/null 2>&1 9>&- || true
    # Boots the session if it is not up; quick when it is.
    wineboot </dev/null >/dev/null 2>&1 9>&- || true
} 9>"$prefix.lock"

if $lf_only; then
    set +e
    wine "$@" | tr -d '\r'
    exit "${PIPESTATUS[0]}"
fi
exec wine "$@"
