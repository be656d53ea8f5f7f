#!/usr/bin/env bash
# Installs what the Windows i686 build and its tests need, on Debian 12 (x86-64 or i386),
# and only what is missing: the MinGW-w64 cross compilers, CMake, GoogleTest's sources
# and Wine with its 32-bit part, for which dpkg must know the i386 architecture.
# Wine's recommendations (the 64-bit loader, graphics and sound libraries) serve no
# console program.
#
# Where the kernel cannot run i386 programs (run-i386.sh), Wine's 32-bit part runs under
# qemu's user-mode emulator, which must be version 10 or later: older ones ignore
# mmap's MAP_FIXED_NOREPLACE, and every Wine process then spends a minute or more
# reserving its address space. Where the installed release has no such qemu, its
# backports suite is added once, on the mirror that apt already uses for the release
# (/etc/apt/sources.list.d/CODENAME-backports.sources), and qemu-user-static is taken
# from it; run-i386.sh then registers the new emulator. The test build also needs the
# host's 32-bit C compiler there, for the library that mends qemu's single-step traps
# (tests/wine_trap_fix.c), and the 64-bit Wine for its server.
set -euo pipefail
here=$(dirname "$0")
"$here/install-missing.sh" --i386 --no-recommends \
    g++-mingw-w64-i686 cmake googletest wine wine32:i386
[ "$("$here/run-i386.sh")" = native ] && exit 0

# The 64-bit Wine brings the 64-bit Wine server, which runs natively beside the emulated
# programs.
"$here/install-missing.sh" --no-recommends gcc-multilib wine64

NEEDED_QEMU=10
qemu_major() {
    qemu-i386-static --version 2>/dev/null | sed -n '1s/.* version \([0-9]*\)\..*/\1/p'
}
[ "$(qemu_major)" -ge $NEEDED_QEMU ] 2>/dev/null && exec "$here/run-i386.sh" >/dev/null

if [ "$(id -u)" -eq 0 ]; then
    as_root=()
elif command -v sudo >/dev/null; then
    as_root=(sudo)
else
    echo "setup: qemu-user-static $NEEDED_QEMU or later is needed and neither root nor sudo" \
         "is there to install it" >&2
    exit 1
fi

. /etc/os-release
backports=${VERSION_CODENAME:?}-backports
"${as_root[@]}" apt-get update -qq
# The release's own suite, as apt reads it from any of its sources files: its mirror
# serves the backports too.
mirror=$(apt-get indextargets --format '$(REPO_URI) $(RELEASE)' 'Created-By: Packages' |
    awk -v suite="$VERSION_CODENAME" '$2 == suite { print $1; exit }')
if ! apt-get indextargets --format '$(RELEASE)' 'Created-By: Packages' | grep -qx "$backports"; then
    [ -n "$mirror" ] || { echo "setup: no apt source for $VERSION_CODENAME itself" >&2; exit 1; }
    sources=/etc/apt/sources.list.d/$backports.sources
    echo "setup: adding $backports on $mirror to apt's sources ($sources), for qemu-user-static"
    printf 'Types: deb\nURIs: %s\nSuites: %s\nComponents: main\n' "$mirror" "$backports" |
        "${as_root[@]}" tee "$sources" >/dev/null
    # A suite that the mirror does not serve is taken out again.
    if ! "${as_root[@]}" apt-get update -qq ||
        ! apt-cache madison qemu-user-static | grep -q " $backports/"; then
        echo "setup: $mirror has no qemu-user-static in $backports; $sources removed" >&2
        "${as_root[@]}" rm -f "$sources"
        "${as_root[@]}" apt-get update -qq || true
        exit 1
    fi
fi
echo "setup: installing qemu-user-static from $backports"
"${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends \
    -t "$backports" qemu-user-static >/dev/null
if ! [ "$(qemu_major)" -ge $NEEDED_QEMU ] 2>/dev/null; then
    echo "setup: qemu-user-static $NEEDED_QEMU or later is needed for Wine under the" \
         "emulator; $backports has $(qemu-i386-static --version | head -1)" >&2
    exit 1
fi
exec "$here/run-i386.sh" >/dev/null
