#!/usr/bin/env bash
# Times a shell loop of 500 reads of one holding register from a local libmodbus TCP server
# (127.0.0.1, a free port) with three clients: the plainest libmodbus program for it
# (rozovevi_modbus_read: new context, connect, one read, close, print), `mbpoll -1`, and
# `rozovevi-io read MODBUS:tcp:127.0.0.1:PORT/1/hr/0`; and a fourth loop,
# `rozovevi-io read MODBUS:rtuovertcp:127.0.0.1:PORT/1/hr/0`, against the same server speaking
# RTU frames on its TCP stream (a second instance, started with "rtu"). Each run times the three loops one after
# another, in an order that turns from run to run, so that a busy machine disturbs all alike.
# Every client's output is checked first; one that cannot make the read is reported as
# unavailable, with its message, and the others are still measured. Prints each run and a
# table of medians with the ratios to the plain program; the targets are rozovevi-io at most
# 1.15x the plain program and faster than mbpoll, and rtuovertcp: at most 1.2x tcp:.
# Usage: bash bench/modbus_loop.sh BUILD-DIR   (the Release build holding bench/ and app/console/)
#   ROZOVEVI_BENCH_RUNS sets the runs (3), ROZOVEVI_MODBUS_CALLS the calls per loop (500).
set -euo pipefail
# shellcheck source=bench/loop_support.sh
source "$(dirname "$0")/loop_support.sh"

build="${1:?usage: modbus_loop.sh BUILD-DIR}"
runs="${ROZOVEVI_BENCH_RUNS:-3}"
calls="${ROZOVEVI_MODBUS_CALLS:-500}"
server="$build/bench/rozovevi_modbus_server"
reader="$build/bench/rozovevi_modbus_read"
program="$build/app/console/rozovevi-io"
unit=1
offset=0
expected=1000  # The server's register N holds 1000 + N.
target=1.15
rtu_target=1.2

for binary in "$server" "$reader" "$program"; do
  if [[ ! -x "$binary" ]]; then
    echo "no $binary; build it first (bash scripts/bench.sh does)" >&2
    exit 1
  fi
done
if ! command -v mbpoll >/dev/null; then
  echo "mbpoll is not installed (bash scripts/install-deps.sh bench)" >&2
  exit 1
fi

scratch="$(mktemp -d "${TMPDIR:-/tmp}/rozovevi-modbus-loop.XXXXXX")"
server_pids=()
cleanup() {
  for pid in "${server_pids[@]}"; do
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  done
  rm -rf "$scratch"
}
trap cleanup EXIT

# Starts a server (arguments after the lifetime: none for TCP, rtu for RTU frames) that writes
# its port to file once it listens; it lives at most 900 s whatever happens here. Not run in a
# subshell, so that cleanup knows its process.
start_server() {
  local file="$1"
  shift
  "$server" 900 "$@" >"$file" &
  server_pids+=($!)
}
# The port a server wrote to file, once it has.
port_of() {
  for ((tries = 0; tries < 50; tries++)); do
    [[ -s "$1" ]] && break
    sleep 0.1
  done
  head -n 1 "$1"
}
start_server "$scratch/port.tcp"
start_server "$scratch/port.rtu" rtu
port=$(port_of "$scratch/port.tcp")
rtu_port=$(port_of "$scratch/port.rtu")
if [[ -z "$port" || -z "$rtu_port" ]]; then
  echo "the Modbus servers did not start" >&2
  exit 1
fi

# One read with each client; each prints the register's value on a line of its own.
plain() { "$reader" 127.0.0.1 "$port" "$unit" "$offset"; }
poll() {  # mbpoll numbers references from 1: -r 1 is offset 0.
  mbpoll -m tcp -p "$port" -a "$unit" -r $((offset + 1)) -c 1 -t 4 -1 127.0.0.1 |
    sed -nE 's/^\[[0-9]+\]:[[:space:]]*(-?[0-9]+)$/\1/p'
}
ours() { "$program" read "MODBUS:tcp:127.0.0.1:$port/$unit/hr/$offset"; }
ours_rtu() { "$program" read "MODBUS:rtuovertcp:127.0.0.1:$rtu_port/$unit/hr/$offset"; }

names=(plain poll ours ours_rtu)
declare -A label=([plain]="libmodbus C reader" [poll]="mbpoll -1" [ours]="rozovevi-io read tcp:"
  [ours_rtu]="rozovevi-io read rtuovertcp:")
check_clients
if [[ "${available[plain]}" != 1 ]]; then
  echo "the plain reader cannot read from the server; nothing to compare with" >&2
  exit 1
fi

milliseconds() { loop_milliseconds "$1" "$calls"; }

declare -A times
echo "$calls reads of one holding register in a shell loop ($runs runs, order turning):"
for ((run = 1; run <= runs; run++)); do
  line="  run $run:"
  for ((k = 0; k < ${#names[@]}; k++)); do
    name=${names[$(((k + run - 1) % ${#names[@]}))]}
    [[ "${available[$name]}" == 1 ]] || continue
    ms=$(milliseconds "$name")
    times[$name]+="$ms "
    line+=" ${label[$name]} $ms ms;"
  done
  echo "$line"
done

plain_median=$(median "${times[plain]}")
echo
echo "| Client, $calls calls | Runs (ms) | Median (ms) | Per call (ms) | Median / C reader |"
echo "|---|--:|--:|--:|--:|"
for name in "${names[@]}"; do
  if [[ "${available[$name]}" != 1 ]]; then
    echo "| ${label[$name]} | unavailable | | | |"
    continue
  fi
  m=$(median "${times[$name]}")
  awk -v l="${label[$name]}" -v r="${times[$name]}" -v m="$m" -v p="$plain_median" -v c="$calls" \
    'BEGIN { gsub(/ $/, "", r); gsub(/ /, ", ", r)
             printf "| %s | %s | %d | %.2f | %.2fx |\n", l, r, m, m / c, m / p }'
done
if [[ "${available[ours]}" == 1 && "${available[poll]}" == 1 ]]; then
  ours_median=$(median "${times[ours]}")
  poll_median=$(median "${times[poll]}")
  awk -v o="$ours_median" -v p="$plain_median" -v b="$poll_median" -v t="$target" 'BEGIN {
    printf "rozovevi-io: %.2fx the C reader (target <= %.2fx): %s; ", o / p, t,
      (o <= t * p) ? "PASS" : "MISS"
    printf "%.2fx mbpoll (target < 1x): %s\n", o / b, (o < b) ? "PASS" : "MISS" }'
else
  echo "rozovevi-io: not measured (its read of a MODBUS: address did not succeed)"
fi
if [[ "${available[ours]}" == 1 && "${available[ours_rtu]}" == 1 ]]; then
  awk -v r="$(median "${times[ours_rtu]}")" -v o="$(median "${times[ours]}")" -v t="$rtu_target" \
    'BEGIN { printf "rtuovertcp: %.2fx tcp: (target <= %.1fx): %s\n", r / o, t,
             (r <= t * o) ? "PASS" : "MISS" }'
fi
