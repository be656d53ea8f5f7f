#!/usr/bin/env bash
# The listing of the measured code against the program's own report: it names all seven
# kernel copies, in the report's order, and each copy's byte count is the code_bytes
# figure that the report prints for its row.
# usage: listing_test.sh PROGRAM LISTING_SCRIPT
set -euo pipefail
program=$1
listing=$2

expected_copies="few_jumps_long many_jumps_long pair_step_long elseif_long switch_long few_jumps_short many_jumps_short"

listed=$("$listing" "$program")
copies=$(printf '%s\n' "$listed" | sed -n 's/^\([a-z_]*\): [0-9]* bytes$/\1/p' | xargs)
listed_bytes=$(printf '%s\n' "$listed" | sed -n 's/^[a-z_]*: \([0-9]*\) bytes$/\1/p' | xargs)
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
if [ "$exit_steps" -ne 7 ]; then
    echo "listing shows $exit_steps exit steps, expected 7"
    status=1
fi
[ $status -eq 0 ] && echo "listing: 7 copies, byte counts $listed_bytes"
exit $status
