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

scratch="$(mktemp -d "${TMPDIR:-/tmp}/rozovevi-wm.XXXXXX")"
xvfb_pid=""
wm_pid=""
stop() {
  [ -n "$wm_pid" ] && kill "$wm_pid" 2>/dev/null && wait "$wm_pid" 2>/dev/null
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null
  rm -rf "$scratch"
}
trap stop EXIT

# Xvfb picks a free display itself and writes its number once it accepts connections.
mkfifo "$scratch/display"
Xvfb -displayfd 3 -screen 0 800x600x24 -nolisten tcp 3>"$scratch/display" >"$scratch/xvfb.log" 2>&1 &
xvfb_pid=$!
if ! read -r -t 20 number <"$scratch/display"; then
  echo "Xvfb did not start:"
  cat "$scratch/xvfb.log"
  exit 1
fi
export DISPLAY=":$number"

HOME="$scratch" openbox --sm-disable >"$scratch/openbox.log" 2>&1 &
wm_pid=$!

# The test waits, with a bound, for the window manager to announce itself.
QT_QPA_PLATFORM=xcb "$program" "$@"
status=$?
[ "$status" -eq 0 ] || cat "$scratch/openbox.log"
exit "$status"
