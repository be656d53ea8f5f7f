#!/usr/bin/env bash
# make test: runs every test suite in turn, each through its own make target, and closes
# with a summary of them all: how each ran, its tests passed and failed, or "not run" with
# the reason where a package it needs cannot be installed from this machine's package
# sources (scripts/apt.sh writes that reason to SETUP_NOT_INSTALLABLE). A build or test that
# fails is a failure, never "not run".
#   MAKE                  the make to call (make)
#   REQUIRE_ALL_SUITES=1  a suite not run fails the whole run too
#   TEST_LOGS             where each suite's output is kept (build/test-logs)
# Exit status 0 when every suite that ran passed (and, with REQUIRE_ALL_SUITES=1, every
# suite ran), else 1.
set -uo pipefail
cd "$(dirname "$0")/.."

make=${MAKE:-make}
logs=${TEST_LOGS:-build/test-logs}
mkdir -p "$logs"

suites=(
    "Linux i386|test-linux"
    "Linux i386, sanitizers|test-sanitize"
    "Linux x86-64|test-x86_64"
    "Windows x86-64|test-windows-x86_64"
    "Windows i686|test-windows"
)

rows=() not_run=() failed=() total_passed=0 total_failed=0
for suite in "${suites[@]}"; do
    name=${suite%|*} target=${suite#*|}
    log=$logs/$target.log reason_file=$logs/$target.not-installable
    rm -f "$reason_file"
    echo "=== $name: make $target"
    SETUP_NOT_INSTALLABLE=$reason_file $make --no-print-directory "$target" 2>&1 | tee "$log"
    status=${PIPESTATUS[0]}

    how=$(sed -n 's/^suite runs //p' "$log" | tail -n1)
    # ctest's closing line: "100% tests passed, 0 tests failed out of 116"
    counts=$(sed -nE 's/^[0-9]+% tests passed, ([0-9]+) tests? failed out of ([0-9]+)$/\1 \2/p' \
        "$log" | tail -n1)
    if [ -n "$counts" ]; then
        read -r nfailed ntotal <<<"$counts"
        npassed=$((ntotal - nfailed))
        total_passed=$((total_passed + npassed)) total_failed=$((total_failed + nfailed))
        result="$npassed passed, $nfailed failed"
    fi
    if [ "$status" -eq 0 ] && [ -n "$counts" ]; then
        rows+=("$name|${how:-?}|$result")
    elif [ "$status" -ne 0 ] && [ -z "$counts" ] && [ -s "$reason_file" ]; then
        reason=$(head -n1 "$reason_file")
        rows+=("$name|not run|$reason")
        not_run+=("$name ($reason)")
    elif [ -n "$counts" ]; then
        rows+=("$name|${how:-?}|$result")
        failed+=("$name")
    else
        rows+=("$name|failed|before its tests ran (status $status, the build or its set-up): see $log")
        failed+=("$name")
    fi
done

echo
echo "make test: summary"
for row in "${rows[@]}"; do
    IFS='|' read -r name how result <<<"$row"
    printf '  %-24s %-40s %s\n' "$name" "$how" "$result"
done
status=0
if [ ${#failed[@]} -gt 0 ]; then
    printf -v list '%s; ' "${failed[@]}"
    echo "failed: ${list%; }"
    status=1
fi
for suite in "${not_run[@]}"; do
    echo "not run: $suite"
done
if [ ${#not_run[@]} -gt 0 ] && [ "${REQUIRE_ALL_SUITES:-0}" = 1 ]; then
    echo "REQUIRE_ALL_SUITES=1: ${#not_run[@]} of ${#suites[@]} suites not run"
    status=1
fi
echo "total: $total_passed passed, $total_failed failed"
exit $status
