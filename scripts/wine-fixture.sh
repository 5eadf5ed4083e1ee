#!/usr/bin/env bash
# A Wine prefix and a virtual X display that outlive one command, as a CTest fixture: the set-up
# test starts them and writes where they are to STATE_DIR/session, the tests run their programs in
# them, the clean-up test ends both. Built on scripts/wine-session.sh and scripts/xvfb.sh.
#
#   wine-fixture.sh start STATE_DIR win32|win64 [--com-server DLL] [--own-home]
#       a fresh prefix of that architecture on a display of its own; --com-server registers the
#       stand-in COM server DLL in it; --own-home gives Wine a HOME inside STATE_DIR and turns menu
#       integration off, so that nothing reaches this machine's menus or home folder
#   wine-fixture.sh run STATE_DIR SECONDS PROGRAM [ARGS...]
#       runs a Windows program in that prefix within SECONDS; Unix paths among the arguments
#       (/path or --flag=/path) are handed over in their Windows form (Z:\path)
#   wine-fixture.sh stop STATE_DIR
#       ends the display and the Wine server and removes the prefix; true when nothing was started
#   wine-fixture.sh can-run STATE_DIR win32|win64 [WHAT]
#       true when this machine runs Wine of that architecture; otherwise prints that WHAT (the
#       32-bit Windows tests) were skipped and why, and exits 77

fixture_root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
# shellcheck source=scripts/wine-session.sh
source "$fixture_root/scripts/wine-session.sh"
# shellcheck source=scripts/xvfb.sh
source "$fixture_root/scripts/xvfb.sh"

# The session file is shell assignments of the variables below, written by start only.
readonly SESSION_VARIABLES=(FIXTURE_ARCH FIXTURE_HOME WINEPREFIX WINE_SERVER_PID
                            WINE_SERVER_FOLDER DISPLAY XVFB_PID)

session_load() { # STATE_DIR
  [[ -s "$1/session" ]] || { echo "no Wine session in $1 (its set-up test did not run)"; return 1; }
  # shellcheck source=/dev/null
  source "$1/session"
  wine_select "$FIXTURE_ARCH"
  if [[ -n "$FIXTURE_HOME" ]]; then
    export HOME="$FIXTURE_HOME" WINEDLLOVERRIDES="$WINEDLLOVERRIDES;winemenubuilder.exe=d"
  fi
  export WINEPREFIX DISPLAY
}

# Unix paths in their Windows form, without a Wine process per argument: Wine's Z: drive is "/".
windows_form() { # ARGUMENT
  local argument=$1 flag=""
  if [[ "$argument" =~ ^(--[A-Za-z_-]+=)(/.*)$ ]]; then
    flag=${BASH_REMATCH[1]} argument=${BASH_REMATCH[2]}
  fi
  if [[ "$argument" == /* ]]; then
    argument="Z:${argument//\//\\}"
  fi
  printf '%s%s' "$flag" "$argument"
}

fixture_start() { # STATE_DIR ARCH [--com-server DLL] [--own-home]
  local state=$1 arch=$2 dll="" own_home=false
  shift 2
  while (($#)); do
    case "$1" in
      --com-server) dll=$2; shift 2 ;;
      --own-home) own_home=true; shift ;;
      *) echo "wine-fixture.sh start: unknown option '$1'" >&2; return 2 ;;
    esac
  done
  fixture_stop "$state"
  mkdir -p "$state"
  wine_can_run_32bit || [[ $arch == win64 ]] ||
    { echo "cannot start 32-bit Wine: $WINE_32BIT_WHY"; return 1; }
  FIXTURE_ARCH=$arch FIXTURE_HOME=""
  wine_select "$arch"
  if $own_home; then
    FIXTURE_HOME="$state/home"
    mkdir -p "$FIXTURE_HOME"
    export HOME="$FIXTURE_HOME" WINEDLLOVERRIDES="$WINEDLLOVERRIDES;winemenubuilder.exe=d"
  fi
  # The session is written as soon as each part runs, so that stop ends what did start.
  xvfb_start 1024x768 || return 1
  session_write "$state"
  local status=0
  wine_start || status=$?
  session_write "$state"
  ((status == 0)) || return "$status"
  if [[ -n "$dll" ]]; then
    # Its output is shown only when it fails; no Wine process started here keeps the test's
    # output open.
    wine_run 60 "registering the stand-in COM server" regsvr32 /s "$(windows_form "$dll")" \
      >"$state/regsvr32.log" 2>&1 || { cat "$state/regsvr32.log"; return 1; }
  fi
}

session_write() { # STATE_DIR
  local name
  for name in "${SESSION_VARIABLES[@]}"; do
    printf '%s=%q\n' "$name" "${!name:-}"
  done >"$1/session.new"
  mv "$1/session.new" "$1/session"
}

fixture_run() { # STATE_DIR SECONDS PROGRAM [ARGS...]
  local state=$1 limit=$2 program=$3 arguments=() argument
  shift 3
  session_load "$state" || return 1
  for argument in "$@"; do arguments+=("$(windows_form "$argument")"); done
  # Wine writes its programs' line ends as they are: CRLF.
  wine_run "$limit" "$(basename "$program")" "$program" "${arguments[@]}" 2>&1 | tr -d '\r'
  return "${PIPESTATUS[0]}"
}

fixture_stop() { # STATE_DIR
  local state=$1
  [[ -s "$state/session" ]] || return 0
  session_load "$state" || return 0
  wine_stop
  xvfb_stop_by_pid
  rm -f "$state/session"
  [[ -z "${FIXTURE_HOME:-}" ]] || rm -rf "$FIXTURE_HOME"
}

# The display was started by the set-up test, whose shell is gone: no wait(), only the pid.
xvfb_stop_by_pid() {
  [[ -n "${XVFB_PID:-}" ]] || return 0
  kill "$XVFB_PID" 2>/dev/null || true
  local waited=0
  while process_runs "$XVFB_PID" && ((waited < XVFB_START_LIMIT * 10)); do
    sleep 0.1
    waited=$((waited + 1))
  done
  kill -KILL "$XVFB_PID" 2>/dev/null || true
}

fixture_can_run() { # STATE_DIR ARCH [WHAT]
  [[ $2 == win64 ]] && return 0
  wine_can_run_32bit && return 0
  echo "${3:-The 32-bit Windows tests} were skipped: $WINE_32BIT_WHY."
  return 77
}

# Run as a program; sourced (by the package checks), it only defines the functions.
if [[ "${BASH_SOURCE[0]}" == "$0" ]]; then
  set -euo pipefail
  command=${1:-}
  (($# >= 2)) || { echo "usage: wine-fixture.sh start|run|stop|can-run STATE_DIR ..." >&2; exit 2; }
  shift
  # Each command tests its steps' status itself (errexit is off inside a condition).
  status=0
  case "$command" in
    start) fixture_start "$@" || status=$? ;;
    run) fixture_run "$@" || status=$? ;;
    stop) fixture_stop "$@" || status=$? ;;
    can-run) fixture_can_run "$@" || status=$? ;;
    *) echo "wine-fixture.sh: unknown command '$command'" >&2; exit 2 ;;
  esac
  exit "$status"
fi
