#!/usr/bin/env bash
# The companion's table and batch of a million rows against their floors (bench/table_bench.cpp,
# bench/batch_bench.cpp): each run checks that the floor writes the companion's very bytes, then
# times the two in turn, seven pairs, thread CPU time. Prints each run's median ratio and the median
# over the runs; the table's is to stay at 1.10 or below.
# usage: scripts/measure_floor.sh [BUILD_DIR [RUNS]]   (a Release build with -DVORDANEL_BUILD_BENCH=ON)
set -euo pipefail
build=${1:-build}
runs=${2:-3}
median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
for what in table batch; do
  bench=$build/bench/vordanel_${what}_bench
  [[ -x $bench ]] || { echo "error: $bench is not built (cmake --build $build --target vordanel_${what}_bench)" >&2; exit 2; }
  medians=()
  for ((run = 1; run <= runs; ++run)); do
    # The counters' line: ... highest=1.2 lowest=1.0 median=1.1
    line=$("$bench" --benchmark_filter=OverFloor 2>/dev/null | grep OverFloor)
    m=$(sed -n 's/.*median=\([0-9.e+-]*\).*/\1/p' <<<"$line")
    [[ -n $m ]] || { echo "error: no ratio from $bench: $line" >&2; exit 1; }
    medians+=("$m")
    echo "$what run $run: companion / floor, CPU: median $m ($(sed -n 's/.*\(lowest=[0-9.]*\).*/\1/p' <<<"$line"), $(sed -n 's/.*\(highest=[0-9.]*\).*/\1/p' <<<"$line"))"
  done
  echo "$what: median of $runs runs of 7 paired runs: $(printf '%s\n' "${medians[@]}" | median)"
done
