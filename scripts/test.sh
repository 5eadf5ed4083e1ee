#!/usr/bin/env bash
# Sets up what is missing, builds everything with warnings as errors, checks the formatting and
# runs every test: the Linux tests with CTest, then the fuzz targets for a bounded time each
# (scripts/fuzz.sh), then the Windows builds' tests under Wine (64-bit everywhere, 32-bit where
# this machine runs 32-bit code; see scripts/test-windows.sh), then the packages (the Debian
# package and the Windows zips, made and checked by test-package.sh).
# The benchmarks are built too, so that they keep compiling, but not run: no test depends on timing.
# The last line gives the totals of all four runs.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh linux bench fuzz windows package

echo "== Formatting"
git ls-files -z '*.cpp' '*.h' | xargs -0 -r clang-format --dry-run --Werror

logs="$(mktemp -d)"
trap 'rm -rf "$logs"' EXIT

echo "== Linux build and tests"
# The one Linux test build runs under AddressSanitizer and UndefinedBehaviorSanitizer.
cmake -S . -B build/test -DCMAKE_BUILD_TYPE=Debug -DROZOVEVI_WERROR=ON -DROZOVEVI_SANITIZE=ON \
  >/dev/null
cmake --build build/test -j"$(nproc)"
linux_status=0
ctest --test-dir build/test --output-on-failure -j"$(nproc)" 2>&1 | tee "$logs/linux" ||
  linux_status=$?

echo "== Fuzz targets"
fuzz_status=0
bash scripts/fuzz.sh 2>&1 | tee "$logs/fuzz" || fuzz_status=$?

echo "== Windows build and tests under Wine"
windows_status=0
bash scripts/test-windows.sh 2>&1 | tee "$logs/windows" || windows_status=$?

echo "== Packages"
package_status=0
bash scripts/test-package.sh 2>&1 | tee "$logs/package" || package_status=$?

# CTest: "NN% tests passed, F tests failed out of T"; the fuzz, Windows and package runs:
# "P passed, F failed".
read -r linux_failed linux_total < <(sed -nE \
  's/.* ([0-9]+) tests failed out of ([0-9]+)$/\1 \2/p' "$logs/linux" | tail -n 1; echo "1 1")
read -r fuzz_passed fuzz_failed < <(sed -nE \
  's/^([0-9]+) passed, ([0-9]+) failed$/\1 \2/p' "$logs/fuzz" | tail -n 1; echo "0 1")
read -r windows_passed windows_failed < <(sed -nE \
  's/^([0-9]+) passed, ([0-9]+) failed$/\1 \2/p' "$logs/windows" | tail -n 1; echo "0 1")
read -r package_passed package_failed < <(sed -nE \
  's/^([0-9]+) passed, ([0-9]+) failed$/\1 \2/p' "$logs/package" | tail -n 1; echo "0 1")
passed=$((linux_total - linux_failed + fuzz_passed + windows_passed + package_passed))
failed=$((linux_failed + fuzz_failed + windows_failed + package_failed))
echo "total: $passed passed, $failed failed"
[ "$linux_status" -eq 0 ] && [ "$fuzz_status" -eq 0 ] && [ "$windows_status" -eq 0 ] &&
  [ "$package_status" -eq 0 ] && [ "$failed" -eq 0 ]
