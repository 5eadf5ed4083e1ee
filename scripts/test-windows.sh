#!/usr/bin/env bash
# Cross-builds the Windows program for both architectures (32-bit, the product, and 64-bit) with
# warnings as errors, checks each exe's machine type, and runs the Windows tests of each build
# under Wine of its own bitness on a virtual X display, in a throwaway Wine prefix where the
# stand-in COM server is registered.
#
# The 64-bit tests run on every machine. The 32-bit tests run where this machine can execute the
# 32-bit Wine loader; elsewhere one line says why they were skipped. ROZOVEVI_NO_32BIT=1 makes
# the script behave as on a machine without 32-bit support.
#
# Arguments are passed on to the test program: GoogleTest's flags, for example
# --gtest_filter='ComRuntime.*'. Each run's counts are taken from GoogleTest's XML report; the last
# line printed is "N passed, M failed", and the exit status is non-zero on any failure.
# Needs (scripts/install-deps.sh windows): cmake, both MinGW-w64 g++, googletest, wine64, xvfb,
# xmllint, and for the 32-bit run wine32:i386.
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
test_limit=900
# shellcheck source=scripts/wine-session.sh
source "$root/scripts/wine-session.sh"
# shellcheck source=scripts/windows-build.sh
source "$root/scripts/windows-build.sh"
# shellcheck source=scripts/pe-file.sh
source "$root/scripts/pe-file.sh"
# shellcheck source=scripts/tally.sh
source "$root/scripts/tally.sh"
# shellcheck source=scripts/xvfb.sh
source "$root/scripts/xvfb.sh"

# Runs the tests of one build in a fresh prefix of its bitness and counts what they report; the
# caller stops the prefix.
run_tests() { # run_tests ARCH [TEST PROGRAM ARGUMENTS...]
  local arch=$1 dir report status=0 counts passed failed skipped
  dir="$(windows_build_dir "$arch")"
  shift
  echo "== Windows tests, $arch build, under $arch Wine"
  wine_select "$arch"
  if ! wine_start; then
    echo "cannot create a $arch Wine prefix"
    tally_add 0 1
    return
  fi
  if ! wine_run 60 "registering the stand-in COM server" regsvr32 /s \
    "$(wine_path_of "$dir/tests/win32/standin_com/rozovevi_standin_com.dll")" >/dev/null 2>&1; then
    echo "cannot register the stand-in COM server in the $arch prefix"
    tally_add 0 1
    return
  fi
  report="$(mktemp -d)"
  wine_run "$test_limit" "the $arch Windows tests" "$dir/tests/win32/rozovevi_win32_tests.exe" \
    "--exe=$(wine_path_of "$dir/app/win32/ROZoveVI.exe")" \
    "--io-exe=$(wine_path_of "$dir/app/console/rozovevi-io.exe")" \
    "--gtest_output=xml:$(wine_path_of "$report/tests.xml")" "$@" 2>&1 | tr -d '\r' ||
    status=$?
  counts="$(tally_of_gtest_xml "$report/tests.xml")"
  rm -rf "$report"
  if [[ -z "$counts" ]]; then
    echo "the $arch tests ended without a report (exit status $status)"
    tally_add 0 1
    return
  fi
  read -r passed failed skipped <<<"$counts"
  echo "$arch: $passed passed, $failed failed, $skipped skipped"
  tally_add "$passed" "$failed"
  if ((passed + failed == 0)); then
    echo "no $arch test ran"
    tally_add 0 1
  elif ((status != 0 && failed == 0)); then
    echo "the $arch tests exited with status $status"
    tally_add 0 1
  fi
}

echo "Building for Windows in $(windows_build_dir win32) and $(windows_build_dir win64)"
builds_ok=true
windows_build win32 || builds_ok=false
windows_build win64 || builds_ok=false
if ! $builds_ok; then
  tally_add 0 1
  tally_summary || exit 1
fi

# Every exe, whether or not its tests can run here.
check_exe() { # check_exe FILE MACHINE SUBSYSTEM WHAT
  if pe_check "$1" "$2" "$3"; then
    echo "ok: $(basename "$1") is $4"
    tally_add 1 0
  else
    echo "FAIL: $(basename "$1") should be $4"
    tally_add 0 1
  fi
}
check_exe "$(windows_build_dir win32)/app/win32/ROZoveVI.exe" i386 gui \
  "a 32-bit (PE32) GUI program for i386"
check_exe "$(windows_build_dir win32)/app/console/rozovevi-io.exe" i386 console \
  "a 32-bit (PE32) console program for i386"
check_exe "$(windows_build_dir win64)/app/win32/ROZoveVI.exe" x86-64 gui \
  "a 64-bit (PE32+) GUI program for x86-64"
check_exe "$(windows_build_dir win64)/app/console/rozovevi-io.exe" x86-64 console \
  "a 64-bit (PE32+) console program for x86-64"

stop_all() {
  wine_stop
  xvfb_stop
}
trap stop_all EXIT
if ! xvfb_start 1024x768; then
  tally_add 0 1
  tally_summary || exit 1
fi

run_tests win64 "$@"
wine_stop
if wine_can_run_32bit; then
  run_tests win32 "$@"
  wine_stop
else
  echo "The 32-bit Windows tests were skipped: $WINE_32BIT_WHY."
fi

tally_summary
