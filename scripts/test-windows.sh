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
# Arguments are passed on to the test harness (for example --filter=ComRuntime). The last line
# printed is "N passed, M failed"; the exit status is non-zero on any failure.
# Needs (scripts/install-deps.sh windows): cmake, both MinGW-w64 g++, wine64, xvfb, and for the
# 32-bit run wine32:i386.
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
summary='^[0-9]+ passed, [0-9]+ failed$'
test_limit=900
# shellcheck source=scripts/wine-session.sh
source "$root/scripts/wine-session.sh"
# shellcheck source=scripts/windows-build.sh
source "$root/scripts/windows-build.sh"
# shellcheck source=scripts/pe-file.sh
source "$root/scripts/pe-file.sh"

passed=0
failed=0
count() { # count PASSED FAILED
  passed=$((passed + $1))
  failed=$((failed + $2))
}

# A virtual screen of 24-bit colour, so that the window's colours are drawn exactly. -displayfd
# lets the server pick a free display, so that runs started at once never share one.
start_display() {
  local fifo_dir
  fifo_dir="$(mktemp -d)"
  mkfifo "$fifo_dir/display"
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$fifo_dir/display" >/dev/null 2>&1 &
  display_pid=$!
  local number
  if ! read -r -t 30 number <"$fifo_dir/display"; then
    rm -rf "$fifo_dir"
    echo "Xvfb did not start within 30 s"
    return 1
  fi
  rm -rf "$fifo_dir"
  export DISPLAY=":$number"
}

# Runs the tests of one build in a fresh prefix of its bitness and counts what they report; the
# caller stops the prefix.
run_tests() { # run_tests ARCH [HARNESS ARGUMENTS...]
  local arch=$1 dir log status=0 line
  dir="$(windows_build_dir "$arch")"
  shift
  echo "== Windows tests, $arch build, under $arch Wine"
  wine_select "$arch"
  if ! wine_start; then
    echo "cannot create a $arch Wine prefix"
    count 0 1
    return
  fi
  if ! wine_run 60 "registering the stand-in COM server" regsvr32 /s \
    "$(wine_path_of "$dir/tests/win32/standin_com/rozovevi_standin_com.dll")" >/dev/null 2>&1; then
    echo "cannot register the stand-in COM server in the $arch prefix"
    count 0 1
    return
  fi
  log="$(mktemp)"
  wine_run "$test_limit" "the $arch Windows tests" "$dir/tests/win32/rozovevi_win32_tests.exe" \
    "--exe=$(wine_path_of "$dir/app/win32/ROZoveVI.exe")" \
    "--io-exe=$(wine_path_of "$dir/app/console/rozovevi-io.exe")" "$@" >"$log" 2>&1 || status=$?
  tr -d '\r' <"$log" | grep -Ev "$summary" || true
  line="$(tr -d '\r' <"$log" | grep -E "$summary" | tail -n 1 || true)"
  rm -f "$log"
  if [[ -z "$line" ]]; then
    echo "the $arch tests ended without a summary (exit status $status)"
    count 0 1
    return
  fi
  echo "$arch: $line"
  count ${line%% *} $(echo "$line" | sed -E 's/.* ([0-9]+) failed$/\1/')
  if ((status != 0)) && [[ "$line" == *" 0 failed" ]]; then
    echo "the $arch tests exited with status $status"
    count 0 1
  fi
}

echo "Building for Windows in $(windows_build_dir win32) and $(windows_build_dir win64)"
builds_ok=true
windows_build win32 || builds_ok=false
windows_build win64 || builds_ok=false
if ! $builds_ok; then
  echo "0 passed, 1 failed"
  exit 1
fi

# Every exe, whether or not its tests can run here.
check_exe() { # check_exe FILE MACHINE SUBSYSTEM WHAT
  if pe_check "$1" "$2" "$3"; then
    echo "ok: $(basename "$1") is $4"
    count 1 0
  else
    echo "FAIL: $(basename "$1") should be $4"
    count 0 1
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

display_pid=""
stop_all() {
  wine_stop
  [[ -z "$display_pid" ]] || kill "$display_pid" 2>/dev/null || true
}
trap stop_all EXIT
if ! start_display; then
  echo "0 passed, 1 failed"
  exit 1
fi

run_tests win64 "$@"
wine_stop
if wine_can_run_32bit; then
  run_tests win32 "$@"
  wine_stop
else
  echo "The 32-bit Windows tests were skipped: $WINE_32BIT_WHY."
fi

echo "$passed passed, $failed failed"
((failed == 0))
