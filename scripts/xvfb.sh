#!/usr/bin/env bash
# A private virtual X display for the scripts and tests that need one: 24-bit colour, so that
# colours are drawn exactly, and no TCP. Xvfb picks a free display itself (-displayfd) and names it
# once it accepts connections, so that runs started at once never share one.
#
# Source it:
#   xvfb_start [WIDTHxHEIGHT]   starts a display (default 1024x768) and exports DISPLAY; false,
#                               saying why, when it has not started within 30 s
#   xvfb_stop                   ends it, by its process id
# or run it:
#   bash scripts/xvfb.sh [--screen WIDTHxHEIGHT] COMMAND [ARGS...]
#                               runs COMMAND on a display of its own, ends the display afterwards
#                               and exits with COMMAND's status

readonly XVFB_START_LIMIT=30
XVFB_PID=""
XVFB_LOG=""

xvfb_start() {
  local screen=${1:-1024x768} fifo_dir number
  fifo_dir="$(mktemp -d "${TMPDIR:-/tmp}/rozovevi-xvfb.XXXXXX")"
  mkfifo "$fifo_dir/display"
  XVFB_LOG="$fifo_dir.log"
  Xvfb -displayfd 3 -screen 0 "${screen}x24" -nolisten tcp 3>"$fifo_dir/display" \
    >"$XVFB_LOG" 2>&1 &
  XVFB_PID=$!
  if ! read -r -t "$XVFB_START_LIMIT" number <"$fifo_dir/display"; then
    rm -rf "$fifo_dir"
    echo "Xvfb did not start within $XVFB_START_LIMIT s:"
    cat "$XVFB_LOG"
    xvfb_stop
    return 1
  fi
  rm -rf "$fifo_dir"
  export DISPLAY=":$number"
}

xvfb_stop() {
  if [[ -n "$XVFB_PID" ]]; then
    kill "$XVFB_PID" 2>/dev/null || true
    wait "$XVFB_PID" 2>/dev/null || true
  fi
  [[ -z "$XVFB_LOG" ]] || rm -f "$XVFB_LOG"
  XVFB_PID="" XVFB_LOG=""
}

if [[ "${BASH_SOURCE[0]}" == "$0" ]]; then
  set -euo pipefail
  screen=1024x768
  if [[ "${1:-}" == --screen ]]; then
    screen=$2
    shift 2
  fi
  if [[ $# -eq 0 ]]; then
    echo "usage: xvfb.sh [--screen WIDTHxHEIGHT] COMMAND [ARGS...]" >&2
    exit 2
  fi
  xvfb_start "$screen" || exit 1
  trap xvfb_stop EXIT
  status=0
  "$@" || status=$?
  exit "$status"
fi
