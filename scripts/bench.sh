#!/usr/bin/env bash
# Sets up what is missing, builds the benchmarks in Release and measures our figures against the
# bare cost of the same work, in seven parts:
#   1. timings (Google Benchmark) and peak memory in fresh processes: build/bench/bench/rozovevi_bench
#   2. instruction counts of one 1 KiB read and write, and of the UTF-8 conversions, under callgrind
#   3. instruction counts of one whole rozovevi-io process, a file read and a Modbus read
#   4. whole-process start to first paint under Xvfb, against a minimal Qt program
#   5. a shell loop reading a thousand files with rozovevi-io, against the same loop with cat
#   6. a shell loop of 500 reads of one Modbus holding register from a local libmodbus server,
#      rozovevi-io against the plainest libmodbus program and mbpoll, and its rtuovertcp: reads
#      against its tcp: ones
#   7. shell loops of reads of one value from a local node-opcua server, rozovevi-io against the
#      plainest C program for the same exchange and node-opcua's own client
# Extra arguments go to rozovevi_bench (e.g. --benchmark_filter=read). Set ROZOVEVI_BENCH_PARTS
# to a subset of "timings counts start-up-counts start-up io-loop modbus opc" to run only those, and
# ROZOVEVI_STARTUP_PAIRS to change the number of start-up pairs (40).
set -euo pipefail
cd "$(dirname "$0")/.."

parts="${ROZOVEVI_BENCH_PARTS:-timings counts start-up-counts start-up io-loop modbus opc}"
pairs="${ROZOVEVI_STARTUP_PAIRS:-40}"
build=build/bench  # the "bench" preset's folder

bash scripts/install-deps.sh linux bench
cmake --preset bench >/dev/null
cmake --build --preset bench -j"$(nproc)" --target rozovevi rozovevi_bench \
  rozovevi_instruction_counts rozovevi_codec_counts rozovevi_minimal_window rozovevi_first_paint \
  rozovevi-io rozovevi_modbus_server rozovevi_modbus_read rozovevi_opcua_read

if [[ " $parts " == *" timings "* ]]; then
  echo "== Timings and peak memory"
  timeout 1200 "$build/bench/rozovevi_bench" "$@"
fi

if [[ " $parts " == *" counts "* ]]; then
  echo
  echo "== Instructions of one 1 KiB operation through frmROZoveVI (callgrind; target for reads: <= 1.02x)"
  out="$(mktemp -d)"
  trap 'rm -rf "$out"' EXIT
  count() {  # PROGRAM ARGUMENTS...: prints the instructions callgrind counted for it.
    local program=$1 name
    shift
    name=$(IFS=-; echo "$*")
    timeout 300 valgrind --tool=callgrind --collect-atstart=no \
      --callgrind-out-file="$out/$name" "$build/bench/$program" "$@" \
      >/dev/null 2>"$out/$name.log" || { cat "$out/$name.log" >&2; return 1; }
    sed -nE 's/^totals: ([0-9]+)$/\1/p' "$out/$name"
  }
  echo "| What | Ours | Bare | Ratio | Target | |"
  echo "|---|--:|--:|--:|--:|---|"
  for kind in ascii mixed; do
    for action in read write; do
      ours=$(count rozovevi_instruction_counts "$action-ours" "$kind")
      bare=$(count rozovevi_instruction_counts "$action-bare" "$kind")
      awk -v a="$action" -v k="$kind" -v o="$ours" -v b="$bare" 'BEGIN {
        target = (a == "read") ? 1.02 : 0
        verdict = target == 0 ? "" : (o <= target * b ? "PASS" : "MISS")
        printf "| %s 1 KiB %s | %d | %d | %.3fx | %s | %s |\n", a, k, o, b, o / b,
               target == 0 ? "" : sprintf("<= %.2fx", target), verdict
      }'
    done
  done
fi

if [[ " $parts " == *" counts "* ]]; then
  echo
  echo "== Instructions of one UTF-8 conversion, ours vs Qt's (callgrind; target: <= 1x)"
  echo "| What | Ours | Qt | Ratio | Target | |"
  echo "|---|--:|--:|--:|--:|---|"
  for direction in decode encode; do
    for kind in ascii mixed nonascii; do
      for size in 1024 1048576 16777216; do
        ours=$(count rozovevi_codec_counts "$direction-ours" "$kind" "$size")
        bare=$(count rozovevi_codec_counts "$direction-bare" "$kind" "$size")
        awk -v d="$direction" -v k="$kind" -v s="$size" -v o="$ours" -v b="$bare" 'BEGIN {
          label = s >= 1048576 ? (s / 1048576) " MiB" : (s / 1024) " KiB"
          printf "| %s %s %s | %d | %d | %.3fx | <= 1x | %s |\n", d, label, k, o, b, o / b,
                 o <= b ? "PASS" : "MISS"
        }'
      done
    done
  done
fi

if [[ " $parts " == *" start-up-counts "* ]]; then
  echo
  echo "== Instructions of one whole rozovevi-io process, vs cat and the plain libmodbus reader"
  timeout 900 bash bench/startup_counts.sh "$build"
fi

if [[ " $parts " == *" start-up "* ]]; then
  echo
  echo "== Start to first paint under Xvfb, rozovevi vs one QLineEdit (target: median <= 1.05x)"
  timeout 900 bash scripts/xvfb.sh --screen 1280x1024 "$build/bench/rozovevi_first_paint" \
    "$pairs" "$build/app/qt/rozovevi" "$build/bench/rozovevi_minimal_window"
fi

if [[ " $parts " == *" io-loop "* ]]; then
  echo
  echo "== A thousand small files read in a shell loop, rozovevi-io vs cat (target: <= 1.05x)"
  timeout 900 bash bench/io_loop.sh "$build/app/console/rozovevi-io"
fi

if [[ " $parts " == *" modbus "* ]]; then
  echo
  echo "== One Modbus holding register read 500 times in a shell loop (targets: rozovevi-io <= 1.15x"
  echo "   the plain libmodbus program, and faster than mbpoll -1; rtuovertcp: <= 1.2x tcp:)"
  timeout 1800 bash bench/modbus_loop.sh "$build"
fi

if [[ " $parts " == *" opc "* ]]; then
  echo
  echo "== One OPC UA value read in shell loops (targets: rozovevi-io <= 1.5x the plain C program"
  echo "   for the same exchange, and faster than node-opcua's own client)"
  timeout 3600 bash bench/opc_loop.sh "$build"
fi
