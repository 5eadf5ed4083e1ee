#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (build/fuzz) and runs each for a bounded time over a
# temporary copy of its checked-in seed corpus (fuzz/corpus/NAME/, never written to). A target
# passes when it ends its time with no crash, sanitizer report or broken property; a failing
# input is kept under build/fuzz/failures/. The last line is "N passed, M failed".
# ROZOVEVI_FUZZ_SECONDS sets the time per target (10).
set -euo pipefail
cd "$(dirname "$0")/.."
# shellcheck source=scripts/tally.sh
source scripts/tally.sh

seconds="${ROZOVEVI_FUZZ_SECONDS:-10}"
build=build/fuzz  # the "fuzz" preset's folder
failures="$build/failures"

bash scripts/install-deps.sh fuzz
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j"$(nproc)"

work="$(mktemp -d "${TMPDIR:-/tmp}/rozovevi-fuzz.XXXXXX")"
trap 'rm -rf "$work"' EXIT
rm -rf "$failures"
mkdir -p "$failures"

while IFS=$'\t' read -r name program corpus; do
  mkdir -p "$work/$name"
  cp -R "$corpus/." "$work/$name/"
  # -timeout: one input may take at most that long; the run as a whole is bounded twice, by
  # libFuzzer's own total time and by timeout(1) in case a target hangs outside an input.
  status=0
  timeout $((seconds + 60)) "$program" -max_total_time="$seconds" -timeout=10 \
    -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="$failures/$name-" \
    "$work/$name" >"$work/$name.log" 2>&1 || status=$?
  runs=$(sed -nE 's/^stat::number_of_executed_units: *([0-9]+)$/\1/p' "$work/$name.log")
  if [ "$status" -eq 0 ]; then
    echo "PASS $name (${runs:-?} inputs in ${seconds} s)"
    tally_add 1 0
  else
    echo "FAIL $name (exit $status); the last lines of its log:"
    tail -n 40 "$work/$name.log" | sed 's/^/  /'
    tally_add 0 1
  fi
done <"$build/fuzz/targets.tsv"

tally_summary
