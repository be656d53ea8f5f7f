#!/usr/bin/env bash
# Installs what the Windows i686 build and its tests need, on Debian 12 (x86-64 or i386),
# and only what is missing: the MinGW-w64 cross compilers, CMake, GoogleTest's sources
# and Wine with its 32-bit part, for which dpkg must know the i386 architecture.
set -euo pipefail

packages=(g++-mingw-w64-i686 cmake googletest wine wine32:i386)

missing=()
for package in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' ||
        missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -eq 0 ]; then
    as_root=()
elif command -v sudo >/dev/null; then
    as_root=(sudo)
else
    echo "setup: missing packages (${missing[*]}) and neither root nor sudo to install them" >&2
    exit 1
fi

if [ "$(dpkg --print-architecture)" != i386 ] &&
    ! dpkg --print-foreign-architectures | grep -qx i386; then
    echo "setup: adding the i386 architecture to dpkg"
    "${as_root[@]}" dpkg --add-architecture i386
fi

echo "setup: installing ${missing[*]}"
"${as_root[@]}" apt-get update -qq
# Wine's recommendations (the 64-bit loader, graphics and sound libraries) serve no
# console program.
"${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends \
    "${missing[@]}" >/dev/null
