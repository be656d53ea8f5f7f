#!/usr/bin/env bash
# Makes sure that 32-bit Wine can run under qemu's user-mode emulator, where the kernel
# runs no i386 programs: the emulator must be version 10 or later, as older ones ignore
# mmap's MAP_FIXED_NOREPLACE and every Wine process then spends a minute or more
# reserving its address space. Where the installed release has no such qemu, its
# backports suite is added once, on the mirror that apt already uses for the release
# (/etc/apt/sources.list.d/CODENAME-backports.sources), and qemu-user-static is taken
# from it; run-i386.sh then registers the new emulator. Exit status as install-missing.sh's.
set -euo pipefail
here=$(dirname "$0")
. "$here/apt.sh"

NEEDED_QEMU=10
qemu_major() {
    qemu-i386-static --version 2>/dev/null | sed -n '1s/.* version \([0-9]*\)\..*/\1/p'
}
[ "$(qemu_major)" -ge $NEEDED_QEMU ] 2>/dev/null && exec "$here/run-i386.sh" >/dev/null

if [ "$(id -u)" -ne 0 ] && ! command -v sudo >/dev/null; then
    echo "setup: qemu-user-static $NEEDED_QEMU or later is needed and neither root nor sudo" \
         "is there to install it" >&2
    exit 1
fi

. /etc/os-release
backports=${VERSION_CODENAME:?}-backports
apt_update
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
    # A suite that the mirror does not serve is taken out again. Another index that cannot
    # be fetched is passed over, as everywhere in the set-up.
    apt_update force
    if ! apt-cache madison qemu-user-static | grep -q " $backports/"; then
        echo "setup: $sources removed again" >&2
        "${as_root[@]}" rm -f "$sources"
        apt_update force
        not_installable "cannot install qemu-user-static $NEEDED_QEMU from this machine's package sources: $mirror has none in $backports" ||
            exit
    fi
fi
echo "setup: installing qemu-user-static from $backports"
apt_install --no-install-recommends -t "$backports" -- qemu-user-static
if ! [ "$(qemu_major)" -ge $NEEDED_QEMU ] 2>/dev/null; then
    not_installable "cannot install qemu-user-static $NEEDED_QEMU from this machine's package sources: $backports has $(qemu-i386-static --version | head -1)" ||
        exit
fi
exec "$here/run-i386.sh" >/dev/null
