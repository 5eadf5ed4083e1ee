#!/usr/bin/env bash
# The test command: installs what is missing (scripts/install-deps.sh), then runs the CMake
# workflow "all" (CMakePresets.json): it configures and builds every build with warnings as errors
# (the Linux tests with AddressSanitizer and UndefinedBehaviorSanitizer, the benchmarks, the fuzz
# targets, both Windows builds, the packages) and runs all their tests in one CTest run: the Linux
# tests, each fuzz target for a bounded time, the Windows tests under Wine, the package and
# installer checks and the formatting. It ends with CTest's summary and exits non-zero on any
# failure. The 32-bit Windows tests run where this machine runs 32-bit code; ROZOVEVI_NO_32BIT=1
# makes it behave as a machine that does not.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh linux bench fuzz windows package
exec cmake --workflow --preset all
