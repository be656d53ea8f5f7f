#!/usr/bin/env bash
# Makes sure this machine can start Linux i386 programs, and says how it runs them.
#   run-i386.sh          prints "native" or "emulated"; exits 1 when neither is possible
#   run-i386.sh --how    prints "natively" or "emulated by qemu-i386 VERSION"
#
# An x86-64 kernel runs them natively unless its 32-bit emulation is turned off (some
# virtual machines boot with ia32_emulation=off). Then qemu's user-mode emulator is
# installed and registered for i386 programs, so that the build's programs and tests still
# start by their names. Under the emulator they behave as on the processor, but their
# tick figures are the emulator's: they say nothing about this processor's branches.
#
# The registration holds the emulator's file open (flag F), so an upgraded emulator
# starts only once it is registered again: that is done when the registered emulator's
# version is not the installed one's.
set -euo pipefail

how=false
[ "${1-}" = --how ] && how=true

loader=/lib/ld-linux.so.2   # an i386 program that the 32-bit toolchain always brings
[ -x "$loader" ] || { echo "run-i386: $loader missing (install g++-multilib)" >&2; exit 1; }

registration=/proc/sys/fs/binfmt_misc/qemu-i386
if [ ! -e "$registration" ] && "$loader" --version >/dev/null 2>&1; then
    echo native
    exit 0
fi

emulator=/usr/bin/qemu-i386-static
# Every option of qemu's user-mode emulator can be given in its environment instead.
if [ -e "$registration" ] &&
    [ "$(QEMU_VERSION=1 "$loader" 2>/dev/null | head -1)" != "$("$emulator" --version | head -1)" ]; then
    echo "run-i386: registering $emulator again: the registered one is not the installed one" >&2
    echo -1 >"$registration"
fi

if [ ! -e "$registration" ]; then
    "$(dirname "$0")/install-missing.sh" --no-recommends qemu-user-static >&2
    if [ ! -e /proc/sys/fs/binfmt_misc/register ]; then
        mount -t binfmt_misc binfmt_misc /proc/sys/fs/binfmt_misc 2>/dev/null || true
    fi
    if [ ! -w /proc/sys/fs/binfmt_misc/register ]; then
        echo "run-i386: this kernel cannot start i386 programs and binfmt_misc is not" \
             "writable here to register an emulator for them" >&2
        exit 1
    fi
    # ELF, 32-bit, little-endian, an executable or shared object for the i386 machine.
    # F: the kernel opens the emulator now, so that it works in other mount namespaces.
    printf '%s' ':qemu-i386:M::\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00:\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff:'"$emulator"':F' \
        >/proc/sys/fs/binfmt_misc/register
fi
"$loader" --version >/dev/null 2>&1 || { echo "run-i386: i386 programs do not start" >&2; exit 1; }
if $how; then
    # Every option of qemu's user-mode emulator can be given in its environment instead.
    echo "emulated by $(QEMU_VERSION=1 "$loader" | sed -n '1s/ version / /p' | cut -d' ' -f1,2)"
else
    echo emulated
fi
