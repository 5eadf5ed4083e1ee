#!/usr/bin/env bash
# Builds the Windows Installer package of one Windows build with wixl:
#   make-msi.sh BUILD_DIR OUT_DIR [NAME=VALUE...]
# BUILD_DIR is a configured and built cross-build (32-bit or 64-bit); its packaging folder holds
# the values the package is made with (msi.defines: bitness, version, publisher), all from the
# top-level CMakeLists.txt. NAME=VALUE arguments replace one of them (the package test makes a
# package of a lower version that way). Writes OUT_DIR/ROZoveVI-<version>-win32.msi or -win64.msi
# and prints its path. Needs wixl (scripts/install-deps.sh package).
set -euo pipefail

if [ $# -lt 2 ]; then
  echo "usage: make-msi.sh BUILD_DIR OUT_DIR [NAME=VALUE...]" >&2
  exit 2
fi
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="$(cd "$1" && pwd)"
mkdir -p "$2"
out="$(cd "$2" && pwd)"
shift 2

defines_file="$build/packaging/windows/msi.defines"
icon="$build/app/win32/rozovevi.ico"
for input in "$defines_file" "$icon"; do
  [ -f "$input" ] || { echo "make-msi.sh: missing $input (is $build a Windows build?)" >&2; exit 1; }
done

# The build's values, then the replacements, in order: a later NAME wins.
declare -A defines=()
while IFS='=' read -r name value; do
  [[ -z "$name" || "$name" == \#* ]] || defines[$name]=$value
done <"$defines_file"
for replacement in "$@"; do
  [[ "$replacement" == *=* ]] || { echo "make-msi.sh: not NAME=VALUE: $replacement" >&2; exit 2; }
  defines[${replacement%%=*}]=${replacement#*=}
done
case "${defines[Bits]:-}" in
  32) wixl_arch=x86 ;;
  64) wixl_arch=x64 ;;
  *) echo "make-msi.sh: $defines_file gives no Bits of 32 or 64" >&2; exit 1 ;;
esac
release_date="${defines[ReleaseDate]:?$defines_file gives no ReleaseDate}"
unset 'defines[ReleaseDate]'
msi="$out/ROZoveVI-${defines[VersionText]}-win${defines[Bits]}.msi"

# wixl takes its Source paths relative to the folder it runs in: a staging folder that holds
# exactly what the zip holds (the same stripped install), and the icon.
stage="$(mktemp -d "${TMPDIR:-/tmp}/rozovevi-msi.XXXXXX")"
trap 'rm -rf "$stage"' EXIT
log="$stage/wixl.log"
# Stripping writes a time into each exe's header: the release date's noon, as for the zip
# (scripts/package.sh), so that the exes here are the zip's, byte for byte.
export SOURCE_DATE_EPOCH="${SOURCE_DATE_EPOCH:-$(date -u -d "$release_date 12:00:00" +%s)}"
if ! cmake --install "$build" --prefix "$stage/files" --strip >"$log" 2>&1; then
  cat "$log" >&2
  echo "make-msi.sh: cannot install $build into a staging folder" >&2
  exit 1
fi
cp "$icon" "$stage/files/rozovevi.ico"
# The cabinet records each file's time: the same time, so that the same files always make the
# same cabinet.
find "$stage/files" -exec touch -d "@$SOURCE_DATE_EPOCH" {} +

arguments=(-a "$wixl_arch" -o "$msi")
for name in "${!defines[@]}"; do arguments+=(-D "$name=${defines[$name]}"); done
rm -f "$msi"
# wixl reports each element it does not implement on standard error and still succeeds: the
# source uses none, so any such report fails the build.
if ! (cd "$stage/files" && wixl "${arguments[@]}" "$root/packaging/windows/rozovevi.wxs") \
  >"$log" 2>&1 || grep -qi 'unimplemented\|warning' "$log"; then
  cat "$log" >&2
  rm -f "$msi"
  echo "make-msi.sh: wixl failed for $msi" >&2
  exit 1
fi
echo "$msi"
