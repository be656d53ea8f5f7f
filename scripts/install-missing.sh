#!/usr/bin/env bash
# Installs the Debian packages named that are not installed yet, as root or through sudo.
#   install-missing.sh [--i386] [--no-recommends] PACKAGE...
# --i386 first adds the i386 architecture to dpkg where a package needs it (name:i386);
# --no-recommends leaves out the packages' recommendations.
# Exit status 0 when all are installed; 3 when one cannot be installed from this machine's
# package sources (one line names it and apt's reason: scripts/apt.sh), and then none of
# them is, and an architecture added for them is taken away again; 1 on any other failure.
set -euo pipefail
. "$(dirname "$0")/apt.sh"

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

# A name without an architecture is the machine's own or an architecture-independent one:
# dpkg-query alone would take the i386 package of a multi-arch library
# (libcapstone-dev:i386) for the 64-bit one.
native=$(dpkg --print-architecture)
installed() {
    if [[ $1 == *:* ]]; then
        dpkg-query -W -f='${Status}\n' "$1" 2>/dev/null | grep -q '^install ok installed$'
    else
        dpkg-query -W -f='${Status} ${Architecture}\n' "$1" 2>/dev/null |
            grep -qE "^install ok installed ($native|all)\$"
    fi
}
missing=()
for package in "$@"; do
    installed "$package" || missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -ne 0 ] && ! command -v sudo >/dev/null; then
    echo "setup: missing packages (${missing[*]}) and neither root nor sudo to install them" >&2
    exit 1
fi

added_i386=false
if $add_i386 && [ "$(dpkg --print-architecture)" != i386 ] &&
    ! dpkg --print-foreign-architectures | grep -qx i386; then
    echo "setup: adding the i386 architecture to dpkg"
    "${as_root[@]}" dpkg --add-architecture i386
    added_i386=true
fi

echo "setup: installing ${missing[*]}"
if $added_i386; then apt_update force; else apt_update; fi
status=0
apt_install "${apt_options[@]}" -- "${missing[@]}" || status=$?
# Left as it was found, where no package of the architecture got in meanwhile.
if [ $status -ne 0 ] && $added_i386 &&
    ! dpkg-query -W -f='${Architecture}\n' 2>/dev/null | grep -qx i386; then
    echo "setup: taking the i386 architecture away again"
    "${as_root[@]}" dpkg --remove-architecture i386 || true
fi
exit $status
