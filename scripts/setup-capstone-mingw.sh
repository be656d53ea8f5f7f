#!/usr/bin/env bash
# Cross-builds Capstone (x86 only, a static library) for a Windows build from Debian's
# source package, into build/capstone-<triple>/ (include/, lib/), where the MinGW-w64
# toolchain files look for it.
#   setup-capstone-mingw.sh i686|x86_64
# Fails soft: where the source cannot be had (no deb-src entry can be added, the mirror is
# out of reach) or the build fails, one line says so and the status is 0; the Windows
# profile then knows only the built-in kernels' instruction forms, and says so.
# The source comes with a deb-src entry for the release and mirror the machine uses
# (/etc/apt/sources.list.d/jumpbench-src.sources, added where none is there yet).
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/apt.sh"

case ${1-} in
    i686) triple=i686-w64-mingw32 ;;
    x86_64) triple=x86_64-w64-mingw32 ;;
    *) echo "usage: setup-capstone-mingw.sh i686|x86_64" >&2; exit 2 ;;
esac
prefix=$here/../build/capstone-$triple
[ -f "$prefix/lib/libcapstone.a" ] && [ -f "$prefix/include/capstone/capstone.h" ] && exit 0

soft_fail() {
    echo "setup: no Capstone for $triple ($1); the Windows profile knows only the built-in" \
         "kernels' instruction forms" >&2
    exit 0
}

command -v "$triple-gcc-posix" >/dev/null || soft_fail "no $triple-gcc-posix"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The source package, through apt's source lists.
if ! (cd "$work" && apt-get source --download-only -qq capstone >/dev/null 2>&1); then
    if ! grep -rqs '^Types:.*deb-src\|^deb-src ' /etc/apt/sources.list /etc/apt/sources.list.d/; then
        codename=$(. /etc/os-release && echo "${VERSION_CODENAME:-bookworm}")
        echo "setup: adding a deb-src entry for $codename main (jumpbench-src.sources)"
        printf 'Types: deb-src\nURIs: http://deb.debian.org/debian\nSuites: %s\nComponents: main\nSigned-By: /usr/share/keyrings/debian-archive-keyring.gpg\n' \
            "$codename" | "${as_root[@]}" tee /etc/apt/sources.list.d/jumpbench-src.sources >/dev/null ||
            soft_fail "cannot add a deb-src entry"
        apt_update force
    fi
    (cd "$work" && apt-get source --download-only -qq capstone >/dev/null 2>&1) ||
        soft_fail "apt-get source capstone failed"
fi
tarball=$(ls "$work"/capstone_*.orig.tar.* 2>/dev/null | head -n1)
[ -n "$tarball" ] || soft_fail "no source tarball in the package"
tar -xf "$tarball" -C "$work" || soft_fail "cannot unpack $tarball"
source_dir=$(find "$work" -mindepth 1 -maxdepth 1 -type d -name 'capstone*' | head -n1)
[ -n "$source_dir" ] || soft_fail "no source folder in $tarball"

echo "setup: cross-building Capstone for $triple into build/capstone-$triple"
if ! cmake -S "$source_dir" -B "$work/build" -DCMAKE_SYSTEM_NAME=Windows \
        -DCMAKE_C_COMPILER="$triple-gcc-posix" -DCMAKE_CXX_COMPILER="$triple-g++-posix" \
        -DCMAKE_RC_COMPILER="$triple-windres" -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_INSTALL_PREFIX="$prefix" -DCAPSTONE_ARCHITECTURE_DEFAULT=OFF \
        -DCAPSTONE_X86_SUPPORT=ON -DCAPSTONE_BUILD_SHARED=OFF -DCAPSTONE_BUILD_TESTS=OFF \
        -DCAPSTONE_BUILD_CSTOOL=OFF >"$work/log" 2>&1 ||
    ! cmake --build "$work/build" -j2 >>"$work/log" 2>&1 ||
    ! cmake --install "$work/build" >>"$work/log" 2>&1; then
    tail -n 5 "$work/log" >&2
    rm -rf "$prefix"
    soft_fail "its build failed"
fi
