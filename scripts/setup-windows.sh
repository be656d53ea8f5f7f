#!/usr/bin/env bash
# Installs what a Windows build and its tests need, on Debian 12 (x86-64 or i386), and only
# what is missing.
#   setup-windows.sh [--build] i686|x86_64
# The build: the MinGW-w64 cross compilers of that architecture, CMake and GoogleTest's
# sources, and Capstone cross-built from its source package (setup-capstone-mingw.sh). The tests (without --build) also need Wine: its 32-bit part for i686, for
# which dpkg must know the i386 architecture, and its 64-bit part for x86_64. Wine's
# recommendations (graphics and sound libraries) serve no console program.
#
# Where the kernel cannot run i386 programs (run-i386.sh), 32-bit Wine runs under qemu's
# user-mode emulator, version 10 or later (setup-qemu.sh), with the library that mends
# qemu's single-step traps (tests/wine_trap_fix.c, built with the host's 32-bit C
# compiler), and with the 64-bit Wine for its server. The 64-bit Wine needs the emulator
# only where the 32-bit one is installed too: a new 64-bit prefix then starts a 32-bit
# helper once.
# Exit status as install-missing.sh's: 3 where a package cannot be installed.
set -euo pipefail
here=$(dirname "$0")

build_only=false
[ "${1-}" = --build ] && { build_only=true; shift; }
case ${1-} in
    i686) compiler=g++-mingw-w64-i686 wine=(--i386 wine wine32:i386) ;;
    x86_64) compiler=g++-mingw-w64-x86-64 wine=(wine wine64) ;;
    *) echo "usage: setup-windows.sh [--build] i686|x86_64" >&2; exit 2 ;;
esac

"$here/install-missing.sh" --no-recommends "$compiler" cmake googletest
# The profile's decoder, cross-built from Debian's source package; soft: without it the
# Windows profile knows the built-in kernels' forms only.
"$here/setup-capstone-mingw.sh" "$1"
$build_only && exit 0
"$here/install-missing.sh" --no-recommends "${wine[@]}"

if [ "$1" = x86_64 ] && ! dpkg-query -W -f='${Status}' wine32:i386 2>/dev/null |
    grep -q 'install ok installed'; then
    exit 0
fi
[ "$("$here/run-i386.sh")" = native ] && exit 0
[ "$1" = i686 ] && "$here/install-missing.sh" --no-recommends gcc-multilib wine64
exec "$here/setup-qemu.sh"
