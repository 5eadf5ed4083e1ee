#!/usr/bin/env bash
# Cross-builds ROZoveVI.exe and starts it under Wine, in a private Wine prefix where the stand-in
# I/O server is registered as "DARedUde.daREDudeClass", so that reads and writes of files work.
# Uses the current X display, or a virtual one (nothing visible) when there is none. The prefix
# is removed when the program ends. Installs what is missing from Debian's packages first.
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${ROZOVEVI_WINDOWS_BUILD_DIR:-$root/build-win}"

if [[ "${1:-}" != "--inside-display" ]]; then
  bash "$root/scripts/install-deps.sh" windows
  cmake -S "$root" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-mingw-i686.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DROZOVEVI_BUILD_TESTS=ON >/dev/null
  cmake --build "$build" -j2 --target ROZoveVI rozovevi_standin_com >/dev/null
  if [[ -z "${DISPLAY:-}" ]]; then
    echo "No X display: starting on a virtual one (nothing will be visible)."
    exec xvfb-run -a -s "-screen 0 1024x768x24" "$0" --inside-display
  fi
fi

export WINEPREFIX WINEARCH=win32 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
WINEPREFIX="$(mktemp -d "${TMPDIR:-/tmp}/rozovevi-wine.XXXXXX")"
trap 'wineserver -k >/dev/null 2>&1 || true; rm -rf "$WINEPREFIX"' EXIT

echo "Preparing a private Wine prefix in $WINEPREFIX"
wineboot -i >/dev/null 2>&1
wineserver -w
# A fresh prefix has no "Courier New"; the metric-compatible Liberation Mono stands in for it.
wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v 'Courier New' /d 'Liberation Mono' /f \
  >/dev/null 2>&1
wine regsvr32 /s "$(winepath -w "$build/tests/win32/standin_com/rozovevi_standin_com.dll")"
echo "Starting ROZoveVI.exe; addresses are Windows file names, e.g. Z:\\tmp\\value.txt"
wine "$build/app/win32/ROZoveVI.exe"
