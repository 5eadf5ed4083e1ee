#!/usr/bin/env bash
# Times a shell loop that reads a thousand small files with rozovevi-io against the same loop
# with cat, alternating the two so that a busy machine disturbs both alike. Prints each run and
# the fastest and median ratio; the target is a ratio of at most 1.05.
# Usage: bash bench/io_loop.sh [PATH-TO-rozovevi-io]   (ROZOVEVI_BENCH_RUNS sets the runs, 5)
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
program="${1:-$root/build/bench/app/console/rozovevi-io}"
runs="${ROZOVEVI_BENCH_RUNS:-5}"
files=1000
target=1.05

if [[ ! -x "$program" ]]; then
  echo "no rozovevi-io at $program; build it first (bash scripts/bench.sh does)" >&2
  exit 1
fi

scratch="$(mktemp -d "${TMPDIR:-/tmp}/rozovevi-io-loop.XXXXXX")"
trap 'rm -rf "$scratch"' EXIT
for ((index = 1; index <= files; index++)); do
  printf 'tank %d level %d.%d\n' "$index" $((index % 97)) $((index % 10)) >"$scratch/$index.txt"
done
printf '%s\n' "$scratch"/*.txt >"$scratch/addresses"

# The loops a line engineer would write; both print every value.
ours() { while IFS= read -r address; do "$program" read "$address"; done <"$scratch/addresses"; }
bare() { while IFS= read -r address; do cat "$address"; done <"$scratch/addresses"; }

# Runs a loop with its output thrown away; prints the milliseconds it took.
milliseconds() {
  local start end
  start=$(date +%s%N)
  "$1" >/dev/null
  end=$(date +%s%N)
  echo $(((end - start) / 1000000))
}

# The outputs must agree before the times mean anything.
if ! cmp -s <(ours) <(bare); then
  echo "rozovevi-io and cat print different values" >&2
  exit 1
fi

ratios=()
echo "Reading $files small files in a shell loop ($runs runs, alternating):"
for ((run = 1; run <= runs; run++)); do
  cat_ms=$(milliseconds bare)
  ours_ms=$(milliseconds ours)
  ratio=$(awk -v a="$ours_ms" -v b="$cat_ms" 'BEGIN { printf "%.2f", a / b }')
  ratios+=("$ratio")
  printf '  run %d: rozovevi-io %5d ms, cat %5d ms, ratio %sx\n' "$run" "$ours_ms" "$cat_ms" "$ratio"
done
sorted=($(printf '%s\n' "${ratios[@]}" | sort -n))
min=${sorted[0]}
median=${sorted[$((runs / 2))]}
verdict=$(awk -v m="$median" -v t="$target" 'BEGIN { print (m <= t) ? "PASS" : "MISS" }')
echo "ratio: fastest ${min}x, median ${median}x, target <= ${target}x: $verdict"
