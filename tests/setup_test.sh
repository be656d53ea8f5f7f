#!/usr/bin/env bash
# The set-up against a package mirror out of step with itself, and make test's summary,
# with stubs first on the PATH in a scratch folder: apt-get, dpkg and dpkg-query stand in for
# the package tools, make for the suites. Nothing here touches the machine's packages.
# usage: setup_test.sh SCRIPTS_DIR
set -uo pipefail
scripts=$(realpath "$1")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/bin"
export PATH="$work/bin:$PATH" STUB="$work" SETUP_APT_STAMP="$work/stamp" SETUP_APT_PAUSE=0

# apt-get: logs its calls; its update fails as the broken mirror's did, while the file
# update-fails exists; wine32:i386 cannot be installed, its simulation says why.
cat >"$work/bin/apt-get" <<'EOF'
#!/bin/bash
echo "$*" >>"$STUB/apt-calls"
case " $* " in
*" update "*)
    [ -e "$STUB/update-fails" ] || exit 0
    echo "W: some warning" >&2
    echo "E: Failed to fetch http://mirror/binary-i386/Packages.xz  File has unexpected size (374820 != 376004). Mirror sync in progress?" >&2
    exit 100 ;;
*" -s "*wine32:i386*)
    echo "The following packages have unmet dependencies:"
    echo " wine32:i386 : Depends: libwine:i386 (= 8.0~repack-4) but it is not going to be installed"
    echo "E: Unable to correct problems, you have held broken packages."
    exit 100 ;;
*" -s "*) exit 0 ;;
*wine32:i386*)
    echo "E: Unable to correct problems, you have held broken packages." >&2
    exit 100 ;;
esac
EOF
# dpkg-query: installed are the packages the file installed lists ("name arch" lines),
# nothing else, and every other package is amd64; dpkg: an amd64 machine whose foreign
# architectures are the lines of the file foreign.
cat >"$work/bin/dpkg-query" <<'EOF'
#!/bin/bash
format=$2 name=${3-}
base=${name%%:*} want=${name#*:}
[ "$want" = "$name" ] && want=
found=
while [ -n "$name" ] && read -r package arch; do
    [ "$package" = "$base" ] && { [ -z "$want" ] || [ "$want" = "$arch" ]; } || continue
    found=1
    case $format in
    *Status*Architecture*) echo "install ok installed $arch" ;;
    *Status*) echo "install ok installed" ;;
    *) echo "$arch" ;;
    esac
done < <(cat "$STUB/installed" 2>/dev/null)
[ -n "$found" ] && exit 0
case "$*" in *Architecture*) echo amd64 ;; *) exit 1 ;; esac
EOF
cat >"$work/bin/dpkg" <<'EOF'
#!/bin/bash
case $1 in
--print-architecture) echo amd64 ;;
--print-foreign-architectures) cat "$STUB/foreign" 2>/dev/null ;;
--add-architecture) echo "$2" >>"$STUB/foreign" ;;
--remove-architecture) sed -i "/^$2\$/d" "$STUB/foreign" ;;
esac
EOF
chmod +x "$work/bin/"*

failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}
count() { grep -c -- "$1" "$2" 2>/dev/null; }

# A failed update is tried three times, passed over in one line, and the install goes on.
touch "$work/update-fails"
"$scripts/install-missing.sh" --no-recommends cmake gnuplot-nox >"$work/out" 2>"$work/err"
code=$?
[ $code -eq 0 ] || fail "update passed over: exit $code, expected 0"
[ "$(count '^update' "$work/apt-calls")" = 3 ] || fail "update passed over: not tried 3 times"
grep -q -- 'install -y -qq --no-install-recommends cmake gnuplot-nox' "$work/apt-calls" ||
    fail "update passed over: the install did not go on"
[ "$(wc -l <"$work/err")" = 1 ] && grep -q 'update failed 3 times, passed over.*unexpected size' \
    "$work/err" || fail "update passed over: expected one line with apt's error, got: $(cat "$work/err")"

# The lists just fetched (or tried) serve the next install; a new architecture fetches again.
"$scripts/install-missing.sh" cmake >/dev/null 2>&1
[ "$(count '^update' "$work/apt-calls")" = 3 ] || fail "the lists were fetched again at once"

# A bare name is the machine's own architecture's package or an architecture-independent
# one: the i386 package of a multi-arch library does not stand in for it.
rm -f "$work/apt-calls"
printf 'libcapstone-dev i386\ngoogletest all\nlibgtest-dev amd64\n' >"$work/installed"
"$scripts/install-missing.sh" libcapstone-dev googletest libgtest-dev libcapstone-dev:i386 \
    >/dev/null 2>&1
grep -q -- '-qq libcapstone-dev$' "$work/apt-calls" ||
    fail "native package: expected only libcapstone-dev installed, apt-get calls: $(cat "$work/apt-calls")"
rm -f "$work/installed"

# A package that cannot be installed: status 3, one line naming it and apt's reason, the same
# line for the summary, none of the others installed, the architecture added for it taken
# away again.
rm -f "$work/update-fails" "$work/apt-calls"
SETUP_NOT_INSTALLABLE="$work/reason" \
    "$scripts/install-missing.sh" --i386 --no-recommends wine wine32:i386 >"$work/out" 2>"$work/err"
code=$?
[ $code -eq 3 ] || fail "not installable: exit $code, expected 3"
[ "$(count '^update' "$work/apt-calls")" = 1 ] || fail "not installable: a new architecture fetches the lists"
expected="cannot install wine32:i386 from this machine's package sources: Depends: libwine:i386 (= 8.0~repack-4) but it is not going to be installed (E: Unable to correct problems, you have held broken packages.)"
grep -qxF "setup: $expected" "$work/err" || fail "not installable: got: $(cat "$work/err")"
[ "$(cat "$work/reason" 2>/dev/null)" = "$expected" ] || fail "not installable: the summary's reason is '$(cat "$work/reason" 2>/dev/null)'"
[ -s "$work/foreign" ] && fail "not installable: i386 left in dpkg's architectures"

# make test's summary, over a stub make whose suites pass, fail or cannot be set up.
cat >"$work/bin/make" <<'EOF'
#!/bin/bash
target=${*: -1}
case "$(cat "$STUB/suites")" in *"$target=pass"*) outcome=pass ;; *"$target=fail"*) outcome=fail ;;
    *"$target=broken"*) outcome=broken ;; *) outcome=uninstallable ;; esac
case $outcome in
pass) echo "suite runs natively"; echo "100% tests passed, 0 tests failed out of 7"; exit 0 ;;
fail) echo "suite runs emulated by qemu-i386 7.2.22"
      echo "67% tests passed, 2 tests failed out of 6"; exit 2 ;;
broken) echo "error: a build error"; exit 2 ;;
uninstallable) echo "cannot install wine32:i386: it breaks" >>"$SETUP_NOT_INSTALLABLE"; exit 2 ;;
esac
EOF
chmod +x "$work/bin/make"
summary() {   # summary SUITES [VARIABLE=VALUE...]: the summary alone in out, the status in code
    echo "$1" >"$work/suites"
    shift
    env "$@" MAKE=make TEST_LOGS="$work/logs" "$scripts/test-all.sh" >"$work/all" 2>&1
    code=$?
    sed -n '/^make test: summary$/,$p' "$work/all" >"$work/out"
}

passing="test-linux=pass test-sanitize=pass test-x86_64=pass test-windows-x86_64=pass"
summary "$passing"
[ $code -eq 0 ] || fail "summary, i686 not run: exit $code, expected 0"
grep -qE '^  Linux x86-64 +natively +7 passed, 0 failed$' "$work/out" ||
    fail "summary: no row for a suite that passed"
grep -qE '^  Windows i686 +not run +cannot install wine32:i386: it breaks$' "$work/out" ||
    fail "summary: no row for the suite not run"
[ "$(tail -n2 "$work/out")" = "not run: Windows i686 (cannot install wine32:i386: it breaks)
total: 28 passed, 0 failed" ] || fail "summary: its last lines are: $(tail -n2 "$work/out")"
summary "$passing" REQUIRE_ALL_SUITES=1
[ $code -eq 1 ] || fail "REQUIRE_ALL_SUITES=1 with a suite not run: exit $code, expected 1"

# A failed test or build is a failure, never "not run", and the other suites still run.
summary "test-linux=fail test-sanitize=broken test-x86_64=pass test-windows-x86_64=pass test-windows=pass"
[ $code -eq 1 ] || fail "summary, a suite failed: exit $code, expected 1"
grep -qE '^  Linux i386 +emulated by qemu-i386 7.2.22 +4 passed, 2 failed$' "$work/out" ||
    fail "summary: no counts for a suite that failed"
grep -qE '^  Linux i386, sanitizers +failed +before its tests ran' "$work/out" ||
    fail "summary: a build that failed"
[ "$(tail -n2 "$work/out")" = "failed: Linux i386; Linux i386, sanitizers
total: 25 passed, 2 failed" ] || fail "summary, a suite failed: its last lines are: $(tail -n2 "$work/out")"

if [ $failures -gt 0 ]; then
    echo "$failures failed; the last summary:"
    cat "$work/all"
    exit 1
fi
echo "set-up and summary: all checks passed"
