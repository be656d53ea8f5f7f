#!/bin/sh
# Stands in for the benchmark or its self-check in the stats tool's tests. Started through
# a link NAME in a test's own directory, its Nth start prints the file NAME.N.out there
# (NAME.out when there is none) and ends as NAME.N.end (or NAME.end) says: an exit code,
# or the name of a signal to die by; exit code 0 when neither file is there. It counts its
# starts in NAME.count and notes what its standard input is in NAME.stdin.
PATH=/usr/bin:/bin
dir=$(dirname "$0")
name=$(basename "$0")
n=$(($(cat "$dir/$name.count" 2>/dev/null || echo 0) + 1))
echo "$n" >"$dir/$name.count"
readlink "/proc/$$/fd/0" >"$dir/$name.stdin"

out="$dir/$name.$n.out"
[ -e "$out" ] || out="$dir/$name.out"
cat "$out"

end="$dir/$name.$n.end"
[ -e "$end" ] || end="$dir/$name.end"
code=$(cat "$end" 2>/dev/null || echo 0)
case $code in
[A-Z]*) kill -s "$code" $$ ;;
esac
exit "$code"
