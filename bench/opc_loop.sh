#!/usr/bin/env bash
# Times shell loops of reads of one value from a local node-opcua server (127.0.0.1, a free port,
# the tests' server in its normal configuration; node ns=3;i=1001, a Double holding 12.5) with
# three clients: the plainest C program for it (rozovevi_opcua_read: socket, Hello,
# OpenSecureChannel, CreateSession, ActivateSession, Read, CloseSession, CloseSecureChannel, print,
# with hand-built bytes), node-opcua's own client making one read per process
# (bench/opcua_read_once.js), and `rozovevi-io read OPC:opc.tcp://127.0.0.1:PORT#ns=3;i=1001`.
# The C program and rozovevi-io take turns call by call, so that a busy machine disturbs both
# alike; node-opcua's client, some fifty times slower, runs its own loop, before or after theirs
# by turns. Every client's output is checked first; one that cannot make
# the read (rozovevi-io before it knows OPC: addresses) is reported as unavailable, with its
# message, and the others are still measured. Prints each run and a table of medians per call
# with the ratios to the C program; the targets are rozovevi-io at most 1.5x the C program and
# faster than node-opcua's client.
# Usage: bash bench/opc_loop.sh BUILD-DIR   (the Release build holding bench/ and app/console/)
#   ROZOVEVI_BENCH_RUNS sets the runs (3), ROZOVEVI_OPC_CALLS the calls per loop of the C program
#   and rozovevi-io (200), ROZOVEVI_OPC_NODE_CALLS those of node-opcua's client (20: each of its
#   calls starts Node.js and loads node-opcua, seconds on a loaded machine).
set -euo pipefail
# shellcheck source=bench/loop_support.sh
source "$(dirname "$0")/loop_support.sh"

here="$(cd "$(dirname "$0")" && pwd)"
build="$(cd "${1:?usage: opc_loop.sh BUILD-DIR}" && pwd)"
runs="${ROZOVEVI_BENCH_RUNS:-3}"
calls="${ROZOVEVI_OPC_CALLS:-200}"
node_calls="${ROZOVEVI_OPC_NODE_CALLS:-20}"
server_source="$here/../tests/ioserver/standin/opc/server"
server_dir="$build/opcua-server"  # Installed here from the committed lock file, never in the source.
reader="$build/bench/rozovevi_opcua_read"
program="$build/app/console/rozovevi-io"
node_reader="$here/opcua_read_once.js"
namespace=3
number=1001
expected=12.5
target=1.5
start_seconds=120
server_lifetime=3600

for binary in "$reader" "$program"; do
  if [[ ! -x "$binary" ]]; then
    echo "no $binary; build it first (bash scripts/bench.sh does)" >&2
    exit 1
  fi
done
for tool in node npm; do
  if ! command -v "$tool" >/dev/null; then
    echo "$tool is not installed (bash scripts/install-deps.sh bench)" >&2
    exit 1
  fi
done
cmake -DSOURCE="$server_source" -DDESTINATION="$server_dir" -DNPM="$(command -v npm)" \
  -P "$server_source/install_server.cmake" >&2

scratch="$(mktemp -d "${TMPDIR:-/tmp}/rozovevi-opc-loop.XXXXXX")"
server_pid=""
cleanup() {
  if [[ -n "$server_pid" ]]; then
    exec {server_input}>&-  # The server ends when its input closes; SIGTERM in case it did not.
    kill "$server_pid" 2>/dev/null || true
    wait "$server_pid" 2>/dev/null || true
  fi
  rm -rf "$scratch"
}
trap cleanup EXIT

# The server prints its port once it listens, and lives while its input stays open (and an hour
# at most whatever happens here).
exec {server_input}> >(exec node "$server_dir/opcua_test_server.js" --host 127.0.0.1 --port 0 \
  --config normal --pki "$scratch/server-pki" --lifetime "$server_lifetime" \
  >"$scratch/port" 2>"$scratch/server.log")
server_pid=$!
for ((tries = 0; tries < start_seconds * 10; tries++)); do
  [[ -s "$scratch/port" ]] && break
  sleep 0.1
done
port=$(head -n 1 "$scratch/port")
if [[ -z "$port" ]]; then
  echo "the OPC UA server did not start within $start_seconds s:" >&2
  tail -n 20 "$scratch/server.log" >&2
  exit 1
fi

export NODE_PATH="$server_dir/node_modules"
url="opc.tcp://127.0.0.1:$port"
# One read with each client; each prints the value on a line of its own.
plain() { "$reader" 127.0.0.1 "$port" "$namespace" "$number"; }
node_client() { node "$node_reader" "$url" "ns=$namespace;i=$number" "$scratch/client-pki"; }
ours() { "$program" read "OPC:$url#ns=$namespace;i=$number"; }

names=(plain node_client ours)
declare -A label=([plain]="C reader" [node_client]="node-opcua client"
                  [ours]="rozovevi-io read")
declare -A count=([plain]="$calls" [node_client]="$node_calls" [ours]="$calls")
check_clients
if [[ "${available[plain]}" != 1 ]]; then
  echo "the C reader cannot read from the server; nothing to compare with" >&2
  exit 1
fi

milliseconds() { loop_milliseconds "$1" "${count[$1]}"; }

microseconds_now() { echo "${EPOCHREALTIME//[!0-9]/}"; }  # bash's clock: no process started.
# The C reader's and rozovevi-io's loops, one call of each in turn (the first of each pair
# alternating), so that the load of a shared machine, which moves within seconds, falls on both
# alike; prints the milliseconds each spent in its own calls. Without rozovevi-io, the C reader's
# loop alone.
paired_milliseconds() {
  local call first second t0 t1 t2 plain_us=0 ours_us=0
  for ((call = 0; call < calls; call++)); do
    if [[ "${available[ours]}" != 1 ]]; then
      t0=$(microseconds_now); plain >/dev/null 2>&1; t1=$(microseconds_now)
      plain_us=$((plain_us + t1 - t0))
      continue
    fi
    if ((call % 2 == 0)); then first=plain second=ours; else first=ours second=plain; fi
    t0=$(microseconds_now); "$first" >/dev/null 2>&1
    t1=$(microseconds_now); "$second" >/dev/null 2>&1
    t2=$(microseconds_now)
    if [[ $first == plain ]]; then
      plain_us=$((plain_us + t1 - t0)) ours_us=$((ours_us + t2 - t1))
    else
      ours_us=$((ours_us + t1 - t0)) plain_us=$((plain_us + t2 - t1))
    fi
  done
  echo "$((plain_us / 1000)) $((ours_us / 1000))"
}

declare -A times
echo "Reads of one OPC UA value in shell loops ($runs runs; $calls calls each of the C reader and" \
  "rozovevi-io, in turn; $node_calls of node-opcua's client in a loop of its own, before or after"
echo "them by turns):"
for ((run = 1; run <= runs; run++)); do
  line="  run $run:"
  for step in 0 1; do  # Odd runs: node-opcua's client first.
    if ((step == run % 2)); then
      read -r plain_ms ours_ms < <(paired_milliseconds)
      times[plain]+="$plain_ms "
      line+=" C reader $plain_ms ms / $calls;"
      if [[ "${available[ours]}" == 1 ]]; then
        times[ours]+="$ours_ms "
        line+=" rozovevi-io read $ours_ms ms / $calls;"
      fi
    elif [[ "${available[node_client]}" == 1 ]]; then
      ms=$(milliseconds node_client)
      times[node_client]+="$ms "
      line+=" node-opcua client $ms ms / $node_calls;"
    fi
  done
  echo "$line"
done

per_call() { awk -v m="$(median "${times[$1]}")" -v c="${count[$1]}" 'BEGIN { print m / c }'; }
plain_call=$(per_call plain)
echo
echo "| Client | Calls | Runs (ms) | Median (ms) | Per call (ms) | Per call / C reader |"
echo "|---|--:|--:|--:|--:|--:|"
for name in "${names[@]}"; do
  if [[ "${available[$name]}" != 1 ]]; then
    echo "| ${label[$name]} | ${count[$name]} | unavailable | | | |"
    continue
  fi
  awk -v l="${label[$name]}" -v r="${times[$name]}" -v m="$(median "${times[$name]}")" \
    -v c="${count[$name]}" -v p="$plain_call" \
    'BEGIN { gsub(/ $/, "", r); gsub(/ /, ", ", r)
             printf "| %s | %d | %s | %d | %.2f | %.2fx |\n", l, c, r, m, m / c, m / c / p }'
done
if [[ "${available[ours]}" == 1 ]]; then
  node_call=$([[ "${available[node_client]}" == 1 ]] && per_call node_client || echo 0)
  awk -v o="$(per_call ours)" -v p="$plain_call" -v b="$node_call" -v t="$target" 'BEGIN {
    printf "rozovevi-io: %.2fx the C reader (target <= %.1fx): %s; ", o / p, t,
      (o <= t * p) ? "PASS" : "MISS"
    if (b > 0) printf "%.3fx node-opcua'"'"'s client (target < 1x): %s\n", o / b, (o < b) ? "PASS" : "MISS"
    else print "node-opcua'"'"'s client not measured" }'
else
  echo "rozovevi-io: not measured (its read of an OPC: address did not succeed)"
fi
