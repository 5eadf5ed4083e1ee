#!/usr/bin/env bash
# Sets up what is missing, builds everything with warnings as errors, checks the formatting and
# runs every test: the Linux tests with CTest, then the Windows build's tests under Wine.
# The benchmarks are built too, so that they keep compiling, but not run: no test depends on timing.
set -euo pipefail
cd "$(dirname "$0")/.."

parts=(linux bench)
[ -f scripts/test-windows.sh ] && parts+=(windows)
bash scripts/install-deps.sh "${parts[@]}"

echo "== Formatting"
git ls-files -z '*.cpp' '*.h' | xargs -0 -r clang-format --dry-run --Werror

echo "== Linux build and tests"
cmake -S . -B build/test -DCMAKE_BUILD_TYPE=Debug -DROZOVEVI_WERROR=ON >/dev/null
cmake --build build/test -j"$(nproc)"
ctest --test-dir build/test --output-on-failure -j"$(nproc)"

if [ -f scripts/test-windows.sh ]; then
  echo "== Windows build and tests under Wine"
  bash scripts/test-windows.sh
fi
