# The set-up's use of apt, sourced by install-missing.sh and setup-qemu.sh. Fails soft where
# the world is flaky and hard where the project is wrong:
# - an index that cannot be fetched (a mirror caught out of step with its own Release file)
#   is retried, then passed over with one line: the installs go on from the lists there are;
# - a package that then cannot be installed fails what needs it, with one line that names
#   it and apt's reason, written also to the file SETUP_NOT_INSTALLABLE names, where set
#   (make test's summary reads it), and status 3;
# - anything else is an error as usual.
#
# Tunable for the set-up's own tests: SETUP_APT_TRIES (3), SETUP_APT_PAUSE (5 s between
# tries), SETUP_APT_STAMP (the file whose age says when the lists were last fetched).

APT_NOT_INSTALLABLE=3

if [ "$(id -u)" -eq 0 ]; then
    as_root=()
elif command -v sudo >/dev/null; then
    as_root=(sudo)
else
    as_root=()   # apt itself then says that it needs root
fi

# The lists are fetched once a quarter of an hour at most: make test sets up five trees, one
# target after the other, and a failing fetch costs its tries each time. A new architecture
# or apt source forces a fetch (apt_update force).
apt_stamp=${SETUP_APT_STAMP:-${TMPDIR:-/tmp}/jumpbench-apt-update.stamp}

apt_update() {
    local force=${1-}
    if [ "$force" != force ] && [ -f "$apt_stamp" ] &&
        [ -n "$(find "$apt_stamp" -mmin -15 2>/dev/null)" ]; then
        return 0
    fi
    local tries=${SETUP_APT_TRIES:-3} pause=${SETUP_APT_PAUSE:-5} try log
    log=$(mktemp)
    for ((try = 1; try <= tries; try++)); do
        if "${as_root[@]}" apt-get update -qq >"$log" 2>&1; then
            rm -f "$log"
            touch "$apt_stamp" 2>/dev/null || true
            return 0
        fi
        [ "$try" -lt "$tries" ] && sleep "$pause"
    done
    # apt's first error says which index; the rest repeats it or explains it.
    echo "setup: apt-get update failed $tries times, passed over; installing from the package" \
         "lists there are ($(grep -m1 '^E:' "$log" || tail -n1 "$log"))" >&2
    rm -f "$log"
    touch "$apt_stamp" 2>/dev/null || true
    return 0
}

# Why apt will not install one package, in one line: the first unmet dependency where the
# resolver gave up, else apt's first error.
apt_reason() {
    local package=$1 out reason
    shift
    out=$("${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -s -y "$@" \
        "$package" 2>&1) && return 1
    reason=$(grep -m1 -E '^ +[^ ]+ : ' <<<"$out" | sed -E 's/^ +[^ ]+ : +//; s/ +/ /g' || true)
    local error
    error=$(grep -m1 '^E:' <<<"$out" || true)
    if [ -n "$reason" ]; then
        echo "$reason ($error)"
    else
        echo "${error:-$(tail -n1 <<<"$out")}"
    fi
}

# not_installable LINE: says that a package cannot be installed from this machine's
# package sources, on standard error and for the summary; status 3.
not_installable() {
    echo "setup: $1" >&2
    [ -n "${SETUP_NOT_INSTALLABLE-}" ] && echo "$1" >>"$SETUP_NOT_INSTALLABLE"
    return $APT_NOT_INSTALLABLE
}

# apt_install [APT-OPTION...] -- PACKAGE...: installs them all or, with status 3 and one line,
# none where one of them cannot be installed.
apt_install() {
    local options=()
    while [ $# -gt 0 ] && [ "$1" != -- ]; do
        options+=("$1")
        shift
    done
    shift
    local log
    log=$(mktemp)
    if "${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq \
        "${options[@]}" "$@" >"$log" 2>&1; then
        rm -f "$log"
        return 0
    fi
    local package reason line=
    for package in "$@"; do
        if reason=$(apt_reason "$package" "${options[@]}"); then
            line="cannot install $package from this machine's package sources: $reason"
            break
        fi
    done
    # Each resolves alone: the failure lies in the download or in dpkg, apt's words say which.
    [ -n "$line" ] || line="cannot install $*: $(grep -m1 '^E:' "$log" || tail -n1 "$log")"
    rm -f "$log"
    not_installable "$line"
}
