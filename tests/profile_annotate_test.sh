#!/usr/bin/env bash
# The profile tool's annotated listing against the listing script run on the same
# program and against its own CSV: every copy's lines are the listing's lines, each led
# by its runs and, for a branch (and only there), its taken count; per copy the runs add
# up to the CSV's instructions and the taken counts to its taken branches. Copies are
# named as the layout list allows (digits too: many2_text), and an instruction may have
# any length (objdump continues one of more than 7 bytes on a second line).
# usage: profile_annotate_test.sh PROFILE_TOOL LISTING_SCRIPT
set -euo pipefail
tool=$1
listing=$2

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$tool" --annotate >"$work/annotated"
"$tool" --csv >"$work/csv"
# The listing of every copy in the program, in the order the annotated listing takes them.
"$listing" "$tool" >"$work/listing_all"
awk 'NR == FNR {
         if (/^[a-z0-9_]+: [0-9]+ bytes, /) copy = substr($1, 1, length($1) - 1)
         if (copy != "") block[copy] = block[copy] $0 "\n"
         next
     }
     /^[a-z0-9_]+: [0-9]+ bytes, / { printf "%s", block[substr($1, 1, length($1) - 1)] }' \
    "$work/listing_all" "$work/annotated" >"$work/listing"

status=0
# The annotated lines with their two count columns (14 characters) cut off are the
# listing; the legend and the blank line after it come first.
tail -n +3 "$work/annotated" |
    awk '/^[a-z0-9_]+: [0-9]+ bytes, / || $0 == "" { print; next } { print substr($0, 15) }' \
    >"$work/stripped"
if ! diff -u "$work/listing" "$work/stripped" >"$work/diff"; then
    echo "annotated listing differs from the listing:"
    cat "$work/diff"
    status=1
fi

# Per copy: runs, taken, and whether every branch and only a branch has a taken count.
tail -n +3 "$work/annotated" | awk '
    /^[a-z0-9_]+: [0-9]+ bytes, / { copy = substr($1, 1, length($1) - 1); order[++n] = copy; next }
    $0 == "" { next }
    {
        runs[copy] += substr($0, 1, 7)
        taken_field = substr($0, 9, 6); gsub(/ /, "", taken_field)
        # The instruction after the offset and bytes of the listing line, however many bytes
        # (those of a long encoding overflow the 22 columns kept for them).
        instruction = substr($0, 15)
        sub(/^ +[0-9]+  /, "", instruction)
        sub(/^([0-9a-f][0-9a-f] )*[0-9a-f][0-9a-f] +/, "", instruction)
        is_branch = instruction ~ /^(j|call|ret|loop)/
        if (is_branch != (taken_field != "")) bad[copy] = bad[copy] " " $0
        taken[copy] += taken_field
    }
    END { for (i = 1; i <= n; i++) print runs[order[i]], taken[order[i]], (bad[order[i]] == "" ? "ok" : "bad:" bad[order[i]]) }' \
    >"$work/sums"
tail -n +2 "$work/csv" | awk -F, '{ print $3, $5 + $6 + $7 + $8 + $9, "ok" }' >"$work/expected_sums"
if ! diff -u "$work/expected_sums" "$work/sums"; then
    echo "annotated counts (copy, runs, taken, branch columns) differ from the CSV's"
    status=1
fi
[ $status -eq 0 ] && echo "annotated listing: $(wc -l <"$work/sums") copies agree with the listing and the CSV"
exit $status
