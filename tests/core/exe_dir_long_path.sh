#!/bin/sh
# The program folder of a program started from a path far longer than 260
# characters must come back whole: a cut path would put the database in some
# other folder. (Wine cannot start a program from such a path through
# CreateProcess, so this runs from outside.)
# Arguments: the Wine runner and the probe program.
set -eu
runner=$1
probe=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

deep="$work"
for part in a b c d e f; do
    deep="$deep/$(printf "%050d" 0 | tr 0 "$part")"
done
mkdir -p "$deep"
cp "$probe" "$deep/probe.exe"

"$runner" "$deep/probe.exe" "Z:$(echo "$work/answer.txt" | tr / '\\')"
expected="Z:$(echo "$deep" | tr / '\\')"
found=$(cat "$work/answer.txt")
if [ "$found" != "$expected" ]; then
    printf 'expected: %s\nfound:    %s\n' "$expected" "$found"
    exit 1
fi
echo "program folder of ${#expected} characters read whole"
