#!/usr/bin/env bash
# Installs what the Linux i386 build and its tests need, on Debian 12 (x86-64 or i386),
# and only what is missing: the 32-bit C++ toolchain, CMake, GoogleTest's sources and
# gnuplot for the stats tool's chart.
set -euo pipefail

packages=(g++-multilib cmake googletest gnuplot-nox)

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

echo "setup: installing ${missing[*]}"
"${as_root[@]}" apt-get update -qq
"${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}" >/dev/null
