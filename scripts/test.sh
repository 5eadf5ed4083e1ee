#!/usr/bin/env bash
# Sets up what is missing, builds everything with warnings as errors, checks the formatting and
# runs every test: the Linux tests with CTest, then the fuzz targets for a bounded time each
# (scripts/fuzz.sh), then the Windows builds' tests under Wine (64-bit everywhere, 32-bit where
# this machine runs 32-bit code; see scripts/test-windows.sh), then the packages (the Debian
# package, the Windows zips and MSIs, made and checked by test-package.sh).
# The benchmarks are built too, so that they keep compiling, but not run: no test depends on timing.
# The last line gives the totals of all four runs.
set -euo pipefail
cd "$(dirname "$0")/.."
# shellcheck source=scripts/tally.sh
source scripts/tally.sh

bash scripts/install-deps.sh linux bench fuzz windows package

echo "== Formatting"
git ls-files -z '*.cpp' '*.h' | xargs -0 -r clang-format --dry-run --Werror

logs="$(mktemp -d)"
trap 'rm -rf "$logs"' EXIT

echo "== Linux build and tests"
# The one Linux test build (preset "test") runs under AddressSanitizer and
# UndefinedBehaviorSanitizer.
cmake --preset test >/dev/null
cmake --build --preset test -j"$(nproc)"
linux_status=0
ctest --preset test -j"$(nproc)" 2>&1 | tee "$logs/linux" || linux_status=$?

echo "== Fuzz targets"
fuzz_status=0
bash scripts/fuzz.sh 2>&1 | tee "$logs/fuzz" || fuzz_status=$?

echo "== Windows build and tests under Wine"
windows_status=0
bash scripts/test-windows.sh 2>&1 | tee "$logs/windows" || windows_status=$?

echo "== Packages"
package_status=0
bash scripts/test-package.sh 2>&1 | tee "$logs/package" || package_status=$?

# CTest's summary, then the fuzz, Windows and package runs' "P passed, F failed".
read -r linux_passed linux_failed < <(tally_of_ctest "$logs/linux")
read -r fuzz_passed fuzz_failed < <(tally_of_run "$logs/fuzz")
read -r windows_passed windows_failed < <(tally_of_run "$logs/windows")
read -r package_passed package_failed < <(tally_of_run "$logs/package")
tally_add "$linux_passed" "$linux_failed"
tally_add "$fuzz_passed" "$fuzz_failed"
tally_add "$windows_passed" "$windows_failed"
tally_add "$package_passed" "$package_failed"
printf 'total: '
tally_summary && [ "$linux_status" -eq 0 ] && [ "$fuzz_status" -eq 0 ] &&
  [ "$windows_status" -eq 0 ] && [ "$package_status" -eq 0 ]
