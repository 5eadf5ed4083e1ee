# Private Wine prefixes for the Windows test and run scripts; source it, do not run it.
#
# Each prefix gets a Wine server of its own, started before any Wine program and waited for, so
# that no program races the server's start (Debian's Wine then makes a second server folder that
# "wineserver -k" cannot reach). Every Wine step has a time limit, and stopping cannot hang: a
# server that does not end on request is ended by its process id, and its folder is removed.
#
#   wine_can_run_32bit         true when this machine can run the 32-bit Wine loader; otherwise
#                              false, with the reason in WINE_32BIT_WHY
#   wine_select win32|win64    picks the loader and server of that architecture
#   wine_start                 makes the prefix, starts and boots it (with a "Courier New")
#   wine_run SECONDS WHAT PROGRAM [ARGS...]
#                              runs a Windows program in the prefix within SECONDS
#   wine_path_of UNIX_PATH     prints the Windows form of a path (Z:\...)
#   wine_stop                  ends the server and removes the prefix and the server's folder

readonly WINE_LOADER_32=/usr/lib/wine/wine
readonly WINE_LOADER_64=/usr/lib/wine/wine64

# Time limits, in seconds. Booting a fresh prefix takes 15-40 s on a loaded 2-core machine.
readonly WINE_SERVER_START_LIMIT=30
readonly WINE_BOOT_LIMIT=240
readonly WINE_STOP_LIMIT=10

WINE_32BIT_WHY=""

wine_can_run_32bit() {
  if [[ -n "${ROZOVEVI_NO_32BIT:-}" ]]; then
    WINE_32BIT_WHY="ROZOVEVI_NO_32BIT is set"
    return 1
  fi
  if [[ ! -x "$WINE_LOADER_32" ]]; then
    WINE_32BIT_WHY="the 32-bit Wine loader ($WINE_LOADER_32) is not installed"
    return 1
  fi
  local output
  if ! output="$(env -u WINEPREFIX -u WINELOADER -u WINESERVER -u WINEARCH \
    timeout 30 "$WINE_LOADER_32" --version 2>&1)"; then
    WINE_32BIT_WHY="the 32-bit Wine loader does not run here: ${output##*: }"
    return 1
  fi
  return 0
}

wine_select() {
  case "$1" in
    win32) WINE_LOADER=$WINE_LOADER_32 ;;
    win64) WINE_LOADER=$WINE_LOADER_64 ;;
    *) echo "wine_select: unknown architecture '$1'" >&2; return 2 ;;
  esac
  # The 64-bit server serves 32-bit programs too, and runs where 32-bit code cannot.
  if [[ -x /usr/lib/wine/wineserver64 ]]; then
    WINE_SERVER=/usr/lib/wine/wineserver64
  else
    WINE_SERVER=/usr/lib/wine/wineserver32
  fi
  export WINEARCH=$1 WINELOADER=$WINE_LOADER WINESERVER=$WINE_SERVER
  export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
  # Wine names Unix files in the locale's character set: without a UTF-8 locale (a bare
  # machine has none set) a Windows file name such as "Zürich.txt" cannot be created at all.
  export LC_ALL=C.UTF-8
}

# The folder in which this prefix's server keeps its socket: Debian's Wine names a random folder
# under /tmp in the prefix's "wineserver" file; upstream Wine uses /tmp/.wine-UID.
wine_server_folder() {
  local base
  if [[ -s "$WINEPREFIX/wineserver" ]]; then
    base="/tmp/$(<"$WINEPREFIX/wineserver")"
  else
    base="/tmp/.wine-$(id -u)"
  fi
  printf '%s/server-%x-%x' "$base" $(stat -c '%d %i' "$WINEPREFIX")
}

wine_start() {
  export WINEPREFIX
  WINEPREFIX="$(mktemp -d "${TMPDIR:-/tmp}/rozovevi-wine.XXXXXX")"
  WINE_SERVER_FOLDER=""
  # Persistent until told to end, in the foreground of a background job, so that its pid is known.
  "$WINE_SERVER" -f -p >/dev/null 2>&1 &
  WINE_SERVER_PID=$!
  local waited=0
  until WINE_SERVER_FOLDER="$(wine_server_folder)" && [[ -S "$WINE_SERVER_FOLDER/socket" ]]; do
    if ! kill -0 "$WINE_SERVER_PID" 2>/dev/null; then
      echo "the Wine server ended at start"
      return 1
    fi
    if ((waited >= WINE_SERVER_START_LIMIT * 10)); then
      echo "the Wine server was not listening after $WINE_SERVER_START_LIMIT s"
      return 1
    fi
    sleep 0.1
    waited=$((waited + 1))
  done
  # What the set-up steps print is shown only when one fails.
  local log status=0
  log="$(mktemp)"
  {
    wine_run "$WINE_BOOT_LIMIT" "creating the Wine prefix" wineboot -i &&
      # A fresh prefix has no "Courier New"; the metric-compatible Liberation Mono stands in.
      wine_run 60 "adding the Courier New font replacement" reg add \
        'HKCU\Software\Wine\Fonts\Replacements' /v 'Courier New' /d 'Liberation Mono' /f
  } >"$log" 2>&1 || status=$?
  ((status == 0)) || cat "$log"
  rm -f "$log"
  return "$status"
}

wine_run() {
  local limit=$1 what=$2
  shift 2
  local status=0
  timeout --kill-after=5 "$limit" "$WINE_LOADER" "$@" || status=$?
  if ((status == 124 || status == 137)); then
    echo "Wine step timed out after $limit s: $what"
    return 1
  fi
  if ((status != 0)); then
    echo "Wine step failed (exit status $status): $what"
  fi
  return "$status"
}

wine_path_of() {
  timeout 60 "$WINE_LOADER" winepath -w "$1" 2>/dev/null | tr -d '\r'
}

# Whether a process still runs. A server started by an earlier command is not this shell's child,
# and where nobody reaps orphans (a container's first process may not) it lingers as a zombie
# after it has ended: that counts as ended.
process_runs() { # PID
  local state
  state="$(awk '{ print $3 }' "/proc/$1/stat" 2>/dev/null)" || return 1
  [[ -n "$state" && "$state" != Z ]]
}

wine_stop() {
  [[ -n "${WINEPREFIX:-}" ]] || return 0
  if [[ -n "${WINE_SERVER_PID:-}" ]]; then
    timeout "$WINE_STOP_LIMIT" "$WINE_SERVER" -k >/dev/null 2>&1 || true
    local waited=0
    while process_runs "$WINE_SERVER_PID" && ((waited < WINE_STOP_LIMIT * 10)); do
      sleep 0.1
      waited=$((waited + 1))
    done
    if process_runs "$WINE_SERVER_PID"; then
      echo "the Wine server did not end within $WINE_STOP_LIMIT s; ending it by its pid"
      kill -KILL "$WINE_SERVER_PID" 2>/dev/null || true
    fi
    wait "$WINE_SERVER_PID" 2>/dev/null || true
  fi
  if [[ -n "${WINE_SERVER_FOLDER:-}" ]]; then
    rm -rf "$WINE_SERVER_FOLDER"
    # Debian's random parent folder, once empty.
    rmdir "$(dirname "$WINE_SERVER_FOLDER")" 2>/dev/null || true
  fi
  rm -rf "$WINEPREFIX"
  WINEPREFIX="" WINE_SERVER_PID="" WINE_SERVER_FOLDER=""
}
