#!/usr/bin/env bash
# Instructions of one whole rozovevi-io process under callgrind, from the dynamic loader's first
# instruction to exit, against the plainest program doing the same work: one small file read
# against cat, one Modbus holding register read against the plain libmodbus reader
# (rozovevi_modbus_read) from a local libmodbus server on 127.0.0.1. The counts repeat exactly
# from run to run, whatever the load of the machine; system calls and page faults are not in them.
# Usage: bash bench/startup_counts.sh BUILD-DIR   (the Release build holding bench/ and app/console/)
set -euo pipefail

build="${1:?usage: startup_counts.sh BUILD-DIR}"
program="$build/app/console/rozovevi-io"
server="$build/bench/rozovevi_modbus_server"
reader="$build/bench/rozovevi_modbus_read"
file_target=1.2  # A small file read: at most 1.2x the instructions of cat.
expected=1000    # The server's register N holds 1000 + N.

for binary in "$program" "$server" "$reader"; do
  if [[ ! -x "$binary" ]]; then
    echo "no $binary; build it first (bash scripts/bench.sh does)" >&2
    exit 1
  fi
done

scratch="$(mktemp -d "${TMPDIR:-/tmp}/rozovevi-startup-counts.XXXXXX")"
server_pid=""
cleanup() {
  if [[ -n "$server_pid" ]]; then
    kill "$server_pid" 2>/dev/null || true
    wait "$server_pid" 2>/dev/null || true
  fi
  rm -rf "$scratch"
}
trap cleanup EXIT

# COMMAND...: prints the instructions of the whole process.
count() {
  timeout 300 valgrind --tool=callgrind --callgrind-out-file="$scratch/out" "$@" \
    >"$scratch/printed" 2>"$scratch/log" || { cat "$scratch/log" >&2; return 1; }
  sed -nE 's/^summary: ([0-9]+)$/\1/p' "$scratch/out"
}

printf 'tank 1 level 1.1\n' >"$scratch/value.txt"
# The server prints its port once it listens; it lives at most 300 s whatever happens here.
"$server" 300 >"$scratch/port" &
server_pid=$!
for ((tries = 0; tries < 50; tries++)); do
  [[ -s "$scratch/port" ]] && break
  sleep 0.1
done
port=$(head -n 1 "$scratch/port")
if [[ -z "$port" ]]; then
  echo "the Modbus server did not start" >&2
  exit 1
fi
if [[ "$("$program" read "MODBUS:tcp:127.0.0.1:$port/1/hr/0")" != "$expected" ]]; then
  echo "rozovevi-io cannot read from the Modbus server" >&2
  exit 1
fi

file_ours=$(count "$program" read "$scratch/value.txt")
file_bare=$(count cat "$scratch/value.txt")
modbus_ours=$(count "$program" read "MODBUS:tcp:127.0.0.1:$port/1/hr/0")
modbus_bare=$(count "$reader" 127.0.0.1 "$port" 1 0)

echo "| One process | Ours | Bare | Ratio | Target | |"
echo "|---|--:|--:|--:|--:|---|"
awk -v o="$file_ours" -v b="$file_bare" -v t="$file_target" 'BEGIN {
  printf "| read of a small file, vs cat | %d | %d | %.3fx | <= %.1fx | %s |\n", o, b, o / b, t,
         o <= t * b ? "PASS" : "MISS" }'
awk -v o="$modbus_ours" -v b="$modbus_bare" 'BEGIN {
  printf "| read of a Modbus register, vs the C reader | %d | %d | %.3fx | | |\n", o, b, o / b }'
