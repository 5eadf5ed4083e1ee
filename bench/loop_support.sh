# What the benchmarks' shell loops share; sourced by modbus_loop.sh and opc_loop.sh.
# They declare: names (the clients, each a shell function that prints the value it read), label
# (an associative array of their names in the tables), expected (the value every client must
# print) and scratch (a folder for their messages).

# Tries each client once: available[name] is 1 for those that print the expected value, 0 with a
# line saying why for the others.
declare -A available
check_clients() {
  local name output
  for name in "${names[@]}"; do
    if output=$("$name" 2>"$scratch/$name.err") && [[ "$output" == "$expected" ]]; then
      available[$name]=1
    else
      available[$name]=0
      echo "${label[$name]}: unavailable, its read gave '${output:-}' instead of $expected:" \
        "$(tail -c 400 "$scratch/$name.err" | tr '\n' ' ')"
    fi
  done
}

# The loop a line engineer would write, output thrown away: CLIENT called CALLS times; prints the
# milliseconds it took.
loop_milliseconds() {
  local start end call
  start=$(date +%s%N)
  for ((call = 0; call < $2; call++)); do "$1"; done >/dev/null 2>&1
  end=$(date +%s%N)
  echo $(((end - start) / 1000000))
}

median() {  # The middle of the times given as one line.
  tr ' ' '\n' <<<"$1" | sed '/^$/d' | sort -n |
    awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'
}
