#!/usr/bin/env bash
# Runs a test program on the xcb platform in a private virtual X display (800x600) with the
# openbox window manager, and stops both afterwards. Exits 77 (a skip for CTest) only when Xvfb
# or openbox is not installed; scripts/install-deps.sh installs both.
set -u
program="$1"
shift

for tool in Xvfb openbox; do
  if ! command -v "$tool" >/dev/null 2>&1; then
    echo "SKIP: $tool is not installed (bash scripts/install-deps.sh installs it)"
    exit 77
  fi
done

# shellcheck source=scripts/xvfb.sh
source "$(dirname "${BASH_SOURCE[0]}")/../../../scripts/xvfb.sh"
scratch="$(mktemp -d "${TMPDIR:-/tmp}/rozovevi-wm.XXXXXX")"
wm_pid=""
stop() {
  [ -n "$wm_pid" ] && kill "$wm_pid" 2>/dev/null && wait "$wm_pid" 2>/dev/null
  xvfb_stop
  rm -rf "$scratch"
}
trap stop EXIT

xvfb_start 800x600 || exit 1

HOME="$scratch" openbox --sm-disable >"$scratch/openbox.log" 2>&1 &
wm_pid=$!

# The test waits, with a bound, for the window manager to announce itself.
QT_QPA_PLATFORM=xcb "$program" "$@"
status=$?
[ "$status" -eq 0 ] || cat "$scratch/openbox.log"
exit "$status"
