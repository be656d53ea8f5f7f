#!/usr/bin/env bash
# The text generator: exactly the length asked for, no NUL, the same text for the same seed
# and another for another seed, only the kinds asked for; bad arguments refused in one
# line with nothing written.
# usage: make_text_test.sh MAKE_TEXT_SCRIPT
set -uo pipefail
script=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

"$script" --length 4096 --seed 7 -o "$work/a" || fail "--seed 7: exit $?"
"$script" --length 4096 --seed 7 >"$work/b" || fail "--seed 7 to standard output: exit $?"
"$script" --length 4096 --seed 8 -o "$work/c"
[ "$(wc -c <"$work/a")" = 4096 ] || fail "length $(wc -c <"$work/a"), expected 4096"
[ "$(tr -d '\0' <"$work/a" | wc -c)" = 4096 ] || fail "the text holds a NUL"
cmp -s "$work/a" "$work/b" || fail "the same seed gave two texts"
cmp -s "$work/a" "$work/c" && fail "two seeds gave the same text"
grep -q '[()eEhHbByY.]' "$work/a" || fail "no class character in the default mix"

# Binary literals only: the digits 0 and 1 and their suffixes, nothing else.
"$script" --length 2000 --mix binary=1 -o "$work/binary"
[ -z "$(tr -d '01bByY' <"$work/binary")" ] || fail "binary only: other bytes: $(tr -d '01bByY' <"$work/binary" | head -c 40)"

for bad in "--mix octal=1" "--mix hex=x" "--mix hex=0" "--length 0" "--length 1048577"; do
    # shellcheck disable=SC2086
    "$script" $bad -o "$work/bad" 2>"$work/err"
    code=$?
    if [ $code -eq 0 ] || [ -e "$work/bad" ] || [ "$(wc -l <"$work/err")" != 1 ]; then
        fail "'$bad': exit $code, a file written or not one line: $(cat "$work/err")"
    fi
done
[ $failures -eq 0 ] && echo "text generator: all checks passed"
exit $((failures > 0))
