#!/usr/bin/env bash
# Runs a Windows program under Wine for the tests of the Windows builds.
#   wine-run.sh PREFIX [--lf] PROGRAM [ARGUMENT...]
#   wine-run.sh --how PREFIX     says how the programs run: "natively", or "under qemu..."
#   wine-run.sh --boot PREFIX    makes the prefix and boots its session, and runs nothing:
#                                before the tests, whose discovery has a time limit
# PREFIX is a Wine prefix of the build's own, made on first use and thrown away with the
# build folder; WINEARCH (win32 unless set) says which Wine it is made for. --lf drops the
# carriage returns of the program's standard output (the C runtime's text mode turns every
# line end of a test listing into CR LF); without it the output is passed on byte for
# byte, and the exit code is the program's either way.
#
# Wine starts helper processes (services, device drivers, the desktop) when a session
# boots, and they inherit the standard handles of the process that booted it: a test's
# output pipe would then stay open until they end, seconds after the program. So the
# session is booted here with its output on /dev/null, and one Wine server is kept alive
# between programs, so that the session lasts from one test to the next.
#
# Where the kernel cannot run i386 programs, 32-bit Wine runs under qemu's user-mode
# emulator (registered by run-i386.sh), with the test build's wine_trap_fix.so, from
# beside PREFIX, preloaded: it mends the single-step traps (tests/wine_trap_fix.c). The
# 64-bit Wine, and its server, run natively there, with nothing preloaded.
set -euo pipefail

how=false
boot_only=false
case ${1-} in
    --how) how=true; shift ;;
    --boot) boot_only=true; shift ;;
esac
if [ $# -lt 1 ] || { ! $how && ! $boot_only && [ $# -lt 2 ]; }; then
    echo "usage: wine-run.sh PREFIX [--lf] PROGRAM [ARGUMENT...] | --how PREFIX | --boot PREFIX" >&2
    exit 2
fi
prefix=$(realpath -m "$1")   # Wine takes an absolute path only
shift
lf_only=false
if [ "${1-}" = --lf ]; then
    lf_only=true
    shift
fi

export WINEPREFIX=$prefix WINEARCH=${WINEARCH:-win32} WINEDEBUG=-all
# No Mono or Gecko installers: the programs need neither.
export WINEDLLOVERRIDES="mscoree=;mshtml="

# Wine's loader for the prefix, where Debian keeps it, rather than the command wine: that
# is a shell script, a 64-bit program that would refuse a preloaded i386 library with a
# message, and it starts the 32-bit loader first where both are installed, which for a
# 64-bit program is one emulated start for nothing.
loader=/usr/lib/wine/wine
[ "$WINEARCH" = win64 ] && loader=/usr/lib/wine/wine64
wine=(wine)
[ -x "$loader" ] && wine=("$loader")

# binfmt_misc's entries come before the kernel's own ELF loader: a registered emulator
# runs every i386 program, whatever the kernel could do. 32-bit Wine runs there, and so do
# the 32-bit parts that the first boot of a 64-bit prefix sets up.
# Without the 32-bit Wine (its loader, /usr/lib/wine/wine), a 64-bit prefix boots without
# its 32-bit part, and nothing runs under the emulator.
registration=/proc/sys/fs/binfmt_misc/qemu-i386
emulator=
trap_fix=
preload=()
if [ "$(head -1 "$registration" 2>/dev/null)" = enabled ] && [ -e /usr/lib/wine/wine ] &&
    { [ "$WINEARCH" = win32 ] || [ ! -f "$prefix/system.reg" ]; }; then
    # Every option of qemu's user-mode emulator can be given in its environment instead.
    emulator=$(QEMU_VERSION=1 /lib/ld-linux.so.2 | head -1)
    major=$(echo "$emulator" | sed -n 's/.* version \([0-9]*\)\..*/\1/p')
    if [ "${major:-0}" -lt 10 ]; then
        echo "wine-run: Wine needs qemu 10 or later under the emulator, and this machine has" \
             "${emulator:-none} (scripts/setup-qemu.sh installs it)" >&2
        exit 125
    fi
fi
if [ -n "$emulator" ] && [ "$WINEARCH" = win32 ]; then
    trap_fix=$(dirname "$prefix")/wine_trap_fix.so
    if [ ! -f "$trap_fix" ]; then
        echo "wine-run: $trap_fix is missing: build the tests first" >&2
        exit 125
    fi
    # Given to Wine's commands alone: a 64-bit program would refuse it with a message.
    preload=(env LD_PRELOAD="$trap_fix")
fi

if $how; then
    if [ -n "$trap_fix" ]; then
        echo "under $emulator, with tests/wine_trap_fix.c preloaded"
    else
        echo natively
    fi
    exit 0
fi

mkdir -p "$prefix"   # for the server, which would not start without it
# One program at a time makes the prefix and boots the session. The lock's file stays
# closed in Wine's own processes, which outlive this script: one that held it would
# keep the next program waiting until the server ends.
{
    flock 9
    # A server is started only when none runs for this prefix, else wineserver exits 2;
    # it stays 30 s after the last program has ended. Where the 64-bit Wine is installed,
    # it is a 64-bit program. The session of a new server is not up yet.
    started=0
    wineserver -p30 </dev/null >/dev/null 2>&1 9>&- || started=$?
    [ "$started" -eq 2 ] || rm -f "$prefix.booted"
    # The prefix is made once. Its registry files are written only when the server saves
    # them (at its end), so they are no sign of it while the server that made it runs:
    # the marker beside the prefix is.
    if [ ! -f "$prefix.made" ] && [ ! -f "$prefix/system.reg" ]; then
        if ! "${preload[@]}" "${wine[@]}" wineboot.exe --init </dev/null >/dev/null 2>&1 9>&-; then
            echo "wine-run: cannot make the Wine prefix $prefix" >&2
            exit 125
        fi
        touch "$prefix.made" "$prefix.booted"
    fi
    # Boots the session once per server: a Wine start costs a second or more under qemu.
    if [ ! -f "$prefix.booted" ]; then
        "${preload[@]}" "${wine[@]}" wineboot.exe </dev/null >/dev/null 2>&1 9>&- || true
        touch "$prefix.booted"
    fi
} 9>"$prefix.lock"
$boot_only && exit 0

if $lf_only; then
    set +e
    "${preload[@]}" "${wine[@]}" "$@" | tr -d '\r'
    exit "${PIPESTATUS[0]}"
fi
exec "${preload[@]}" "${wine[@]}" "$@"
