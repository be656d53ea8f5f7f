#!/usr/bin/env bash
# Installs the Debian packages named that are not installed yet, as root or through sudo.
#   install-missing.sh [--i386] [--no-recommends] PACKAGE...
# --i386 first adds the i386 architecture to dpkg where a package needs it (name:i386);
# --no-recommends leaves out the packages' recommendations.
set -euo pipefail

add_i386=false
apt_options=()
while [ $# -gt 0 ]; do
    case $1 in
        --i386) add_i386=true ;;
        --no-recommends) apt_options+=(--no-install-recommends) ;;
        *) break ;;
    esac
    shift
done

missing=()
for package in "$@"; do
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

if $add_i386 && [ "$(dpkg --print-architecture)" != i386 ] &&
    ! dpkg --print-foreign-architectures | grep -qx i386; then
    echo "setup: adding the i386 architecture to dpkg"
    "${as_root[@]}" dpkg --add-architecture i386
fi

echo "setup: installing ${missing[*]}"
"${as_root[@]}" apt-get update -qq
"${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${apt_options[@]}" \
    "${missing[@]}" >/dev/null
