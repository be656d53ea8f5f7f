#!/usr/bin/env bash
# The repeatability script's count: a count that is not a whole number of 1 or more is
# refused before anything runs, with one line on standard error that names it and exit
# code 2; a good count goes on to the tool (here one that is not there: exit code 1).
# usage: repeatability_args_test.sh REPEATABILITY_SCRIPT
set -uo pipefail
script=$1
missing_tool=/nonexistent/jumpbench-stats
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

status=0
for count in abc 0 00 -1 -15 1.5 ' ' 3x; do
    "$script" "$count" "$missing_tool" >"$work/out" 2>"$work/err"
    code=$?
    lines=$(wc -l <"$work/err")
    if [ "$code" != 2 ] || [ -s "$work/out" ] || [ "$lines" != 1 ] ||
        ! grep -qF "repeatability: " "$work/err" || ! grep -qF "'$count'" "$work/err"; then
        echo "count '$count': exit code $code (expected 2), output '$(cat "$work/out")'" \
             "(expected none), messages (expected one naming the count):"
        cat "$work/err"
        status=1
    fi
done
for count in 1 15 007; do
    "$script" "$count" "$missing_tool" >"$work/out" 2>"$work/err"
    code=$?
    if [ "$code" != 1 ] || ! grep -qF "no tool at $missing_tool" "$work/err"; then
        echo "count '$count' was not taken: exit code $code (expected 1 for the missing tool):"
        cat "$work/err"
        status=1
    fi
done
exit $status
