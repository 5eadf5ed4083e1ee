#!/usr/bin/env bash
# Sets up what is missing, builds the benchmarks in Release and prints our figures against the
# bare cost of the same work, then the shell loop of rozovevi-io against cat (bench/io_loop.sh).
# Extra arguments go to the benchmark (e.g. --benchmark_filter=read).
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh linux bench
cmake -S . -B build/bench -DCMAKE_BUILD_TYPE=Release -DROZOVEVI_BUILD_TESTS=OFF \
  -DROZOVEVI_BUILD_BENCH=ON >/dev/null
cmake --build build/bench --target rozovevi_bench rozovevi-io -j"$(nproc)"
build/bench/bench/rozovevi_bench "$@"
bash bench/io_loop.sh build/bench/app/console/rozovevi-io
