# Checks of a Windows exe's PE header, for the Windows test and package checks: source it, or run
# it with the arguments of pe_check.
# The header is read by MinGW's objdump, which the Windows builds install.
#
#   pe_check FILE i386|x86-64 gui|console
#       true when FILE is a PE file for that machine, with the optional header of its bitness
#       (PE32 or PE32+) and that subsystem; otherwise false, saying what it found instead

pe_check() {
  local file=$1 objdump format magic subsystem header found
  case "$2" in
    i386) objdump=i686-w64-mingw32-objdump format=pei-i386 magic='010b (PE32)' ;;
    x86-64) objdump=x86_64-w64-mingw32-objdump format=pei-x86-64 magic='020b (PE32+)' ;;
    *) echo "pe_check: unknown machine '$2'" >&2; return 2 ;;
  esac
  case "$3" in
    gui) subsystem='00000002 (Windows GUI)' ;;
    console) subsystem='00000003 (Windows CUI)' ;;
    *) echo "pe_check: unknown subsystem '$3'" >&2; return 2 ;;
  esac
  [[ -f "$file" ]] || { echo "missing $file"; return 1; }
  # objdump names the format by the machine field: pei-i386 or pei-x86-64.
  if ! header="$("$objdump" -p "$file" 2>&1)"; then
    echo "$file is not a PE file: ${header##*: }"
    return 1
  fi
  found="$(awk '
    / file format / { format = $NF }
    $1 == "Magic" { magic = $2 " " $3 }
    $1 == "Subsystem" { $1 = ""; subsystem = substr($0, 2) }
    END { printf "format %s, optional header %s, subsystem %s", format, magic, subsystem }
  ' <<<"$header" | tr -s '\t ' '  ')"
  if [[ "$found" != "format $format, optional header $magic, subsystem $subsystem" ]]; then
    echo "$file: $found; expected a $3 program for $2"
    return 1
  fi
}

# Run as a program: pe-file.sh FILE i386|x86-64 gui|console, a check of its own.
if [[ "${BASH_SOURCE[0]}" == "$0" ]]; then
  set -euo pipefail
  (($# == 3)) || { echo "usage: pe-file.sh FILE i386|x86-64 gui|console" >&2; exit 2; }
  pe_check "$@"
fi
