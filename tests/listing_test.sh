#!/usr/bin/env bash
# The listing of the measured code against the program's own report: it names every
# kernel copy of the case list, in the report's order, and each copy's byte count is the
# code_bytes figure that the report prints for its row.
# usage: listing_test.sh PROGRAM LISTING_SCRIPT CASE_LIST
set -euo pipefail
program=$1
listing=$2
case_list=$3

# BENCH_CASE(layout, sample, ...) names the copy <layout>_<sample>.
expected_copies=$(sed -n 's/^BENCH_CASE(\([a-z_]*\), *\([a-z]*\),.*$/\1_\2/p' "$case_list" | xargs)
copy_count=$(wc -w <<<"$expected_copies")

listed=$("$listing" "$program")
copies=$(printf '%s\n' "$listed" | sed -n 's/^\([a-z_]*\): [0-9]* bytes, .*$/\1/p' | xargs)
listed_bytes=$(printf '%s\n' "$listed" | sed -n 's/^[a-z_]*: \([0-9]*\) bytes, .*$/\1/p' | xargs)
reported_bytes=$("$program" </dev/null | sed -n 's/^.*, \([0-9]*\) bytes, len=.*$/\1/p' | xargs)

status=0
if [ "$copies" != "$expected_copies" ]; then
    echo "listing names: '$copies', expected '$expected_copies'"
    status=1
fi
if [ "$listed_bytes" != "$reported_bytes" ]; then
    echo "listing byte counts '$listed_bytes' differ from the report's '$reported_bytes'"
    status=1
fi
# Every copy is listed through its exit step, which sits at the offset code_bytes.
exit_steps=$(printf '%s\n' "$listed" | grep -c '(exit step)$' || true)
if [ "$exit_steps" -ne "$copy_count" ]; then
    echo "listing shows $exit_steps exit steps, expected $copy_count"
    status=1
fi
[ $status -eq 0 ] && echo "listing: $copy_count copies, byte counts $listed_bytes"
exit $status
