# Checks of a Windows exe's PE header, shared by the Windows test and package scripts; source it.
#
#   pe_check FILE i386|x86-64 gui|console
#       true when FILE is a PE file for that machine, with the optional header of its bitness
#       (PE32 or PE32+) and that subsystem; otherwise false, saying what it found instead

# A little-endian number of 2 or 4 bytes at a byte offset of a file.
pe_number() { od -An -tu"$3" -j"$2" -N"$3" "$1" 2>/dev/null | tr -d ' '; }

pe_check() {
  local file=$1 machine magic subsystem pe found
  case "$2" in
    i386) machine=$((0x14c)) magic=$((0x10b)) ;;
    x86-64) machine=$((0x8664)) magic=$((0x20b)) ;;
    *) echo "pe_check: unknown machine '$2'" >&2; return 2 ;;
  esac
  case "$3" in
    gui) subsystem=2 ;;
    console) subsystem=3 ;;
    *) echo "pe_check: unknown subsystem '$3'" >&2; return 2 ;;
  esac
  [[ -f "$file" ]] || { echo "missing $file"; return 1; }
  pe=$(pe_number "$file" 60 4)
  if [[ "$(od -An -c -j"$pe" -N4 "$file" 2>/dev/null | tr -d ' ')" != 'PE\0\0' ]]; then
    echo "$file is not a PE file"
    return 1
  fi
  found="machine $(printf '0x%x' "$(pe_number "$file" $((pe + 4)) 2)")"
  found+=", optional header $(printf '0x%x' "$(pe_number "$file" $((pe + 24)) 2)")"
  found+=", subsystem $(pe_number "$file" $((pe + 24 + 68)) 2)"
  if [[ "$found" != "machine $(printf '0x%x' $machine), optional header $(printf '0x%x' $magic), subsystem $subsystem" ]]; then
    echo "$file: $found; expected a $3 program for $2"
    return 1
  fi
}
