#!/usr/bin/env bash
# Cross-builds ROZoveVI.exe and starts it under Wine, in a private Wine prefix where the stand-in
# I/O server is registered as "DARedUde.daREDudeClass", so that reads and writes of files work.
# Starts the 32-bit exe where this machine can run 32-bit Wine, the 64-bit one elsewhere
# (ROZOVEVI_NO_32BIT=1 picks the 64-bit one here too). Uses the current X display, or a virtual
# one (nothing visible) when there is none. The prefix is removed when the program ends.
# Installs what is missing from Debian's packages first.
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
# shellcheck source=scripts/wine-session.sh
source "$root/scripts/wine-session.sh"
# shellcheck source=scripts/windows-build.sh
source "$root/scripts/windows-build.sh"

if [[ "${1:-}" != "--inside-display" ]]; then
  bash "$root/scripts/install-deps.sh" windows
  if [[ -z "${DISPLAY:-}" ]]; then
    echo "No X display: starting on a virtual one (nothing will be visible)."
    exec bash "$root/scripts/xvfb.sh" "$0" --inside-display
  fi
fi

arch=win64
wine_can_run_32bit && arch=win32
build="$(windows_build_dir "$arch")"
windows_build "$arch" ROZoveVI rozovevi_standin_com

wine_select "$arch"
trap wine_stop EXIT
echo "Preparing a private $arch Wine prefix"
wine_start
wine_run 60 "registering the stand-in COM server" regsvr32 /s \
  "$(wine_path_of "$build/tests/win32/standin_com/rozovevi_standin_com.dll")"
echo "Starting the $arch ROZoveVI.exe; addresses are Windows file names, e.g. Z:\\tmp\\value.txt"
# The operator decides how long the program runs: no time limit here.
"$WINE_LOADER" "$build/app/win32/ROZoveVI.exe"
