#!/bin/bash
# The companion's output files under faults, as a process: output over its input refused, -o killed
# mid-write or on a full disk leaves the old file, two runs at once leave one whole output, the
# reader's caps told by line, memory bounded under prlimit, every SVG well-formed.
# Usage: outputs.sh VORDANEL_CLI
set -u
cli=$(realpath "$1")
work=$(mktemp -d)
trap 'mountpoint -q "$work/full" && umount "$work/full"; rm -rf "$work"' EXIT
cd "$work" || exit 1
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
# within BYTES COMMAND...: the command under an address-space limit. AddressSanitizer reserves
# terabytes of address space for its shadow memory, so a sanitized companion runs unlimited: its
# caps are still told by line, and the release build measures the bound.
within() {
    local bytes=$1
    shift
    if [[ -n ${ASAN_OPTIONS:-} ]]; then "$@"; else prlimit --as="$bytes" -- "$@"; fi
}
printf 'diameter_mm,flow_lpm\n100,40\n50,60\n' > in.csv
cp in.csv keep.csv
ln -s in.csv link.csv
ln in.csv hard.csv

# Output over the input, by each name it has: refused, the file named, nothing written.
while IFS='|' read -r name command; do
    cp keep.csv in.csv 2>/dev/null || cat keep.csv > in.csv
    eval "$cli $command" 2>err.txt
    status=$?
    [ $status -eq 2 ] || fail "$name: exit $status"
    grep -q "in.csv\|link.csv\|hard.csv\|standard input" err.txt || fail "$name: the file is not named: $(cat err.txt)"
    cmp -s in.csv keep.csv || [ "$name" = ShellTruncatedStdout ] || fail "$name: the input changed"
done <<'ROWS'
ByName|batch in.csv -o in.csv
BySymlink|batch link.csv -o in.csv
ByHardLink|batch hard.csv -o link.csv
AppendedStdout|batch in.csv >> in.csv
StdoutThroughLink|batch link.csv >> hard.csv
SeriesByName|series -d 100 in.csv -o in.csv
SeriesBySymlink|series -d 100 link.csv -o hard.csv
ShellTruncatedStdout|batch - < in.csv > in.csv
ROWS
cat keep.csv > in.csv

# A series written by -o is what it gives on standard output, and replaces the file whole.
printf 'time,level_mm\n2026-07-01 09:00,150\n2026-07-01 09:10,152\n' > log.csv
echo old > series.csv
$cli series -d 100 --gauge-zero 100 log.csv -o series.csv 2>/dev/null || fail "series -o: exit $?"
$cli series -d 100 --gauge-zero 100 log.csv 2>/dev/null | cmp -s - series.csv || fail "series -o: not its standard output"
rm log.csv

# Killed mid-write: the old file stays whole, byte for byte.
echo old > table.csv
$cli table -d 100 --flows 1:140:0.00001 -o table.csv 2>/dev/null &
pid=$!
sleep 0.5
kill -9 $pid 2>/dev/null
wait $pid 2>/dev/null
[ "$(cat table.csv)" = old ] || fail "killed: the old file was changed"

# Two runs at once to one file: one run's whole output.
for i in 1 2 3 4 5; do
    $cli table -d 100 --flows 1:140:0.01 -o two.csv 2>/dev/null & a=$!
    $cli table -d 100 --flows 1:140:0.01 -o two.csv 2>/dev/null & b=$!
    wait $a; sa=$?; wait $b; sb=$?
    [ $sa -eq 0 ] && [ $sb -eq 0 ] || fail "concurrent: exit $sa and $sb"
done
$cli table -d 100 --flows 1:140:0.01 > alone.csv
cmp -s two.csv alone.csv || fail "concurrent: the output is not one run's whole"
for i in 1 2 3; do
    $cli gauge -d 100 --date 2024-04-01 -o g.svg & a=$!
    $cli gauge -d 300 --date 2024-04-01 -o g.svg & b=$!
    wait $a; wait $b
    python3 -c 'import sys, xml.etree.ElementTree as E; E.parse(sys.argv[1])' g.svg || fail "concurrent gauge: not well-formed"
done

# A full disk: a small tmpfs where this runs as root (as CI does); /dev/full for standard output.
if mkdir full && mount -t tmpfs -o size=64k tmpfs full 2>/dev/null && head -c 56k /dev/zero > full/filler; then
    for command in "table -d 100 --flows 1:140:0.001" "gauge -d 600 --date 2024-04-01" "batch big.csv" "series -d 100 log.csv"; do
        [ -f big.csv ] || for i in $(seq 1 4000); do echo "100,$i"; done > big.csv
        [ -f log.csv ] || python3 -c 'print("time,head_mm"); [print(f"2026-07-{1 + i // 1440:02d} {i // 60 % 24:02d}:{i % 60:02d},{i % 90 + 1}") for i in range(4000)]' > log.csv
        echo old > full/out
        $cli $command -o full/out 2>err.txt
        status=$?
        [ $status -eq 2 ] || fail "full disk ($command): exit $status"
        grep -q "full/out" err.txt || fail "full disk ($command): the file is not named: $(cat err.txt)"
        [ "$(cat full/out)" = old ] || fail "full disk ($command): the old file was changed"
        [ "$(ls -A full | tr '\n' ' ')" = "filler out " ] || fail "full disk ($command): a temporary file was left: $(ls -A full)"
    done
else
    echo "SKIP (full disk on -o): no tmpfs can be mounted here (not root); /dev/full only"
fi
$cli batch in.csv > /dev/full 2>err.txt
[ $? -eq 2 ] && grep -q "could not be written" err.txt || fail "/dev/full: $(cat err.txt)"

# The caps, each record told by its line, the rest read on; memory bounded under prlimit.
python3 - <<'PY'
import os
with open("stray.csv", "w") as f:
    f.write("diameter_mm,flow_lpm\n\"100,40\n")
    row = "100,40\n" * 100000
    for _ in range(30): f.write(row)           # about 21 MB, twenty times the cap on a field
with open("commas.csv", "w") as f:
    f.write("100,40\n" + "," * (20 << 20) + "\n100,40\n")
with open("record.csv", "w") as f:
    f.write("100,40\n" + ",".join(["x" * (900 << 10)] * 20) + "\n100,40\n")
with open("columns.csv", "w") as f:
    f.write("100,40\n" + ",".join(["1"] * 3000000) + "\n100,40\n")
with open("empties.csv", "w") as f:
    f.write("," * ((1 << 20) - 1) + "\n" + "100,40\n" * 2500)
PY
while IFS='|' read -r file line cap; do
    within $((512 << 20)) $cli batch "$file" > out.csv 2> err.txt
    status=$?
    [ $status -eq 2 ] || fail "$file: exit $status"
    grep -q "line $line: .*$cap" err.txt || fail "$file: no line $line and cap '$cap' in: $(head -c 400 err.txt)"
    [ "$(stat -c %s out.csv)" -lt $(( $(stat -c %s "$file") * 4 + 4096 )) ] || fail "$file: output out of bounds"
    grep -Eq "^100,40,(,,)?47.1,11,$" out.csv || fail "$file: the rows after it were not read"
done <<'ROWS'
stray.csv|2|quoted field opened on line 2
commas.csv|2|more fields than the cap of 100000
record.csv|2|record over the cap of 16 MiB
columns.csv|2|100000
empties.csv|1|100000
ROWS
within $((64 << 20)) $cli table -d 100 --flows 1:140:0.001 > /dev/null 2>/dev/null
head -c $((48 << 20)) /dev/zero | tr '\0' 'x' > huge.csv
within $((40 << 20)) $cli batch huge.csv > /dev/null 2> err.txt
status=$?
[ $status -eq 2 ] && grep -q "out of memory\|cap of" err.txt || fail "out of memory: exit $status, $(head -c 300 err.txt)"

# Every SVG written is well-formed, whatever text its foot was given.
for date in "2024-04-01" "<b>&\"'" "日付"; do
    $cli gauge -d 100 --date "$date" -o g.svg || fail "gauge --date $date refused"
    python3 -c 'import sys, xml.etree.ElementTree as E; E.parse(sys.argv[1])' g.svg || fail "gauge --date $date: not well-formed"
done
for date in $'a\x01' $'\xff' $'a\nb'; do
    $cli gauge -d 100 --date "$date" > g.svg 2>/dev/null && fail "gauge --date with a control or non-UTF-8 byte accepted"
done
for step in 1e-9 5e-324 1e9; do
    $cli gauge -d 100 --step $step > g.svg 2>/dev/null && fail "gauge --step $step accepted"
done

[ $failures -eq 0 ] && echo "all passed"
exit $((failures > 0))
