#!/usr/bin/env bash
# Cross-builds ROZoveVI.exe, its tests and the stand-in COM server, then runs the Windows tests
# under Wine on a virtual X display, in a throwaway Wine prefix where the stand-in server is
# registered. The last line printed is "N passed, M failed"; the exit status is non-zero on any
# failure. Needs: cmake, g++-mingw-w64-i686, wine, wine32, xvfb, xauth.
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${ROZOVEVI_WINDOWS_BUILD_DIR:-$root/build-win}"
summary='^[0-9]+ passed, [0-9]+ failed$'

# Runs inside the virtual display: prefix, registration, tests, clean-up.
if [[ "${1:-}" == "--inside-display" ]]; then
  export WINEPREFIX WINEARCH=win32 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
  WINEPREFIX="$(mktemp -d "${TMPDIR:-/tmp}/rozovevi-wine.XXXXXX")"
  log="$WINEPREFIX.log"
  cleanup() {
    wineserver -k >/dev/null 2>&1 || true
    rm -rf "$WINEPREFIX" "$log"
  }
  trap cleanup EXIT

  if ! wineboot -i >/dev/null 2>&1 || ! wineserver -w; then
    echo "cannot create a Wine prefix"
    echo "0 passed, 1 failed"
    exit 1
  fi
  if ! wine regsvr32 /s "$(winepath -w "$build/tests/win32/standin_com/rozovevi_standin_com.dll")" \
      >/dev/null 2>&1; then
    echo "cannot register the stand-in COM server"
    echo "0 passed, 1 failed"
    exit 1
  fi

  status=0
  wine "$build/tests/win32/rozovevi_win32_tests.exe" \
    "--exe=$(winepath -w "$build/app/win32/ROZoveVI.exe")" \
    "--io-exe=$(winepath -w "$build/app/console/rozovevi-io.exe")" "${@:2}" >"$log" 2>&1 ||
    status=$?
  tr -d '\r' <"$log" | grep -Ev "$summary" || true
  line="$(tr -d '\r' <"$log" | grep -E "$summary" | tail -n 1 || true)"
  if [[ -z "$line" ]]; then
    echo "the tests ended without a summary (exit status $status)"
    line="0 passed, 1 failed"
    status=1
  fi
  echo "$line"
  exit "$status"
fi

echo "Building for Windows in $build"
if ! { cmake -S "$root" -B "$build" \
         -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-mingw-i686.cmake" \
         -DCMAKE_BUILD_TYPE=Release -DROZOVEVI_BUILD_TESTS=ON -DROZOVEVI_WERROR=ON &&
       cmake --build "$build" -j2; } >"$build.log" 2>&1; then
  cat "$build.log"
  rm -f "$build.log"
  echo "0 passed, 1 failed"
  exit 1
fi
rm -f "$build.log"

# A screen of 24-bit colour, so that the window's colours are drawn exactly.
exec xvfb-run -a -s "-screen 0 1024x768x24" "$0" --inside-display "$@"
