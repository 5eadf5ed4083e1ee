#!/usr/bin/env bash
# shellcheck disable=SC2317  # The checks are called by name, out of shellcheck's sight.
# The package and installer checks, one check a call, for the CTest tests that
# packaging/checks/CMakeLists.txt registers:
#   package-checks.sh PACKAGES SCRATCH VERSION PUBLISHER CHECK [ARGUMENTS...]
# PACKAGES holds what scripts/package.sh made (the .deb, the zips, the MSIs), VERSION is their
# version text (5.00.0001), PUBLISHER the Debian package's maintainer without the address.
# SCRATCH is the checks' own folder: the throwaway dpkg root, the unpacked zips, the lower-version
# MSIs and each Wine session live there between checks. A check prints what it found and exits
# non-zero when it fails. The MSI checks are in scripts/msi-checks.sh.
set -euo pipefail

(($# >= 5)) || { echo "usage: package-checks.sh PACKAGES SCRATCH VERSION PUBLISHER CHECK [ARG...]" >&2
  exit 2; }
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
packages=$1 scratch=$2 version=$3 publisher=$4 check=$5
shift 5
mkdir -p "$scratch"
deb="$packages/rozovevi_${version}_$(dpkg --print-architecture).deb"
install_root="$scratch/root"
# shellcheck source=scripts/pe-file.sh
source "$root/scripts/pe-file.sh"
# shellcheck source=scripts/msi-checks.sh
source "$root/scripts/msi-checks.sh"

# --- The Debian package -------------------------------------------------------------------------

names_carry_version() {
  ls "$packages"
  [ -f "$deb" ] && [ "$(dpkg-deb -f "$deb" Version)" = "$version" ] &&
    [ -f "$packages/ROZoveVI-$version-win32.zip" ] &&
    [ -f "$packages/ROZoveVI-$version-win64.zip" ] &&
    [ -f "$packages/ROZoveVI-$version-win32.msi" ] &&
    [ -f "$packages/ROZoveVI-$version-win64.msi" ]
}

lintian_finds_no_error() {
  lintian --fail-on error --pedantic --info "$deb" 2>&1 | grep -v 'running with root privileges'
  [ "${PIPESTATUS[0]}" -eq 0 ] || return 1
  # What lintian still says below the error level, for the record.
  lintian --pedantic "$deb" 2>/dev/null | sed 's/^/lintian: /' || true
}

# Dependencies come from dpkg-shlibdeps; the Qt libraries the program links must be among them.
dependencies_found() {
  local depends
  depends="$(dpkg-deb -f "$deb" Depends)"
  echo "Depends: $depends"
  for library in libc6 libstdc++6 libqt6core6 libqt6gui6 libqt6widgets6 qt6-qpa-plugins; do
    grep -Eq "(^|, )${library//+/\\+}( |,|\$)" <<<"$depends" || { echo "missing $library"; return 1; }
  done
}

# A throwaway root with a dpkg database of its own. The dependencies are checked against this
# machine's packages separately, by apt's simulation, which changes nothing.
in_root() { dpkg --root="$install_root" --force-not-root --force-depends --log=/dev/null "$@"; }

installs_into_root() {
  rm -rf "$install_root"
  mkdir -p "$install_root/var/lib/dpkg/updates" "$install_root/var/lib/dpkg/info"
  touch "$install_root/var/lib/dpkg/status"
  in_root --install "$deb"
}

apt_resolves() { apt-get --simulate -o Debug::NoLocking=1 install "$deb"; }

files_in_place() {
  local missing=0 path
  for path in usr/bin/rozovevi usr/share/applications/rozovevi.desktop \
    usr/share/metainfo/org.rozovevi.rozovevi.metainfo.xml usr/share/man/man1/rozovevi.1.gz \
    usr/share/doc/rozovevi/copyright usr/share/doc/rozovevi/changelog.gz; do
    [ -f "$install_root/$path" ] || { echo "missing /$path"; missing=1; }
  done
  [ -x "$install_root/usr/bin/rozovevi" ] || { echo "/usr/bin/rozovevi is not executable"; missing=1; }
  return "$missing"
}

# Each icon is a PNG of the size its folder names (width and height from the IHDR chunk).
icons_in_place() {
  local size icon width height
  for size in 16 32 48 64 128 256; do
    icon="$install_root/usr/share/icons/hicolor/${size}x$size/apps/rozovevi.png"
    [ -f "$icon" ] || { echo "missing $icon"; return 1; }
    [ "$(od -An -c -j 1 -N 3 "$icon" | tr -d ' ')" = PNG ] || { echo "not a PNG: $icon"; return 1; }
    width=$(od -An -t u1 -j 16 -N 4 "$icon" | awk '{print $1*16777216 + $2*65536 + $3*256 + $4}')
    height=$(od -An -t u1 -j 20 -N 4 "$icon" | awk '{print $1*16777216 + $2*65536 + $3*256 + $4}')
    [ "$width" -eq "$size" ] && [ "$height" -eq "$size" ] ||
      { echo "$icon is ${width}x$height"; return 1; }
  done
}

desktop_entry_valid() {
  local entry="$install_root/usr/share/applications/rozovevi.desktop"
  desktop-file-validate "$entry" || return 1
  grep -qx 'Name=ROZoveVI' "$entry" && grep -qx 'Exec=rozovevi' "$entry" &&
    grep -qx 'Icon=rozovevi' "$entry" && grep -qx 'Categories=Utility;' "$entry"
}

appstream_valid() {
  appstreamcli validate --no-net "$install_root/usr/share/metainfo/org.rozovevi.rozovevi.metainfo.xml"
}

man_pages_render() {
  local page
  for page in "$install_root"/usr/share/man/man1/*.1.gz; do
    # man prints groff's warnings on standard error and nothing else there.
    [ -z "$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$page" 2>&1 >/dev/null)" ] ||
      { LC_ALL=C.UTF-8 man --warnings -l "$page" >/dev/null; return 1; }
    grep -q "$version" <<<"$(zcat "$page")" || { echo "$page lacks the version $version"; return 1; }
  done
}

# The installed program, started as it is: Qt loads the window probe (libqttestability.so) into
# it, which reports the first window shown and ends the program.
window_shows() {
  local probe_dir="$scratch/probe" report
  mkdir -p "$probe_dir" "$scratch/runtime"
  chmod 700 "$scratch/runtime"
  # shellcheck disable=SC2046  # pkg-config's flags are separate words.
  g++ -std=c++17 -Wall -Wextra -Wpedantic -Werror -fPIC -shared \
    "$root/tests/package/window_probe.cpp" -o "$probe_dir/libqttestability.so" \
    $(pkg-config --cflags --libs Qt6Gui) || return 1
  report="$(cd "$scratch" && env -i PATH="$install_root/usr/bin:/usr/bin:/bin" \
    HOME="$scratch" XDG_RUNTIME_DIR="$scratch/runtime" QT_QPA_PLATFORM=offscreen \
    QT_LOAD_TESTABILITY=1 LD_LIBRARY_PATH="$probe_dir" timeout 30 rozovevi 2>&1)" || {
    echo "$report"
    return 1
  }
  echo "$report"
  grep -qx 'window shown: "ROZoveVI" [0-9]*x[0-9]*, icon 16x16 32x32' <<<"$report"
}

io_version() {
  local shown
  shown="$(env -i PATH="$install_root/usr/bin:/usr/bin:/bin" rozovevi-io --version)"
  echo "$shown"
  grep -q "$version" <<<"$shown"
}

# rozovevi-io starts once per value in a script's loop: the loader maps only the C library for it,
# and each library an address needs when that address comes.
io_loads_only_the_c_library() {
  local needed
  needed="$(readelf -d "$install_root/usr/bin/rozovevi-io" | sed -nE 's/.*\(NEEDED\).*\[(.*)\]$/\1/p')"
  echo "$needed"
  grep -qx 'libc\.so\.6' <<<"$needed" && ! grep -vxE 'libc\.so\.6|ld-linux.*' <<<"$needed"
}

removed_again() {
  in_root --purge rozovevi || return 1
  local left
  left="$(find "$install_root" -path "$install_root/var/lib/dpkg" -prune -o \
    \( -type f -o -type l \) -print)"
  [ -z "$left" ] || { echo "left behind:"; echo "$left"; return 1; }
}

# --- The Windows zips ---------------------------------------------------------------------------

zip_machine() { if [[ $1 == win32 ]]; then echo i386; else echo x86-64; fi; }
zip_objdump() { if [[ $1 == win32 ]]; then echo i686-w64-mingw32-objdump; else echo x86_64-w64-mingw32-objdump; fi; }
zip_folder() { echo "$scratch/zip-$1/ROZoveVI-$version-$1"; }

zip_lists() { # ARCH
  local folder="ROZoveVI-$version-$1" listed expected
  expected="$(printf '%s\n' "$folder/README.txt" "$folder/ROZoveVI.exe" "$folder/rozovevi-io.exe")"
  listed="$(unzip -Z1 "$packages/$folder.zip" | grep -v '/$' | LC_ALL=C sort)"
  echo "$listed"
  [ "$listed" = "$(LC_ALL=C sort <<<"$expected")" ] || return 1
  rm -rf "$scratch/zip-$1"
  unzip -q -o "$packages/$folder.zip" -d "$scratch/zip-$1"
}

# A PE file of the zip's machine, bitness and subsystem, importing no DLL of the MinGW runtimes,
# which a plain Windows does not have.
zip_exe_fits() { # ARCH EXE gui|console
  local exe
  exe="$(zip_folder "$1")/$2"
  pe_check "$exe" "$(zip_machine "$1")" "$3" || return 1
  if "$(zip_objdump "$1")" -p "$exe" | grep -Ei 'DLL Name: *lib(stdc\+\+|gcc|winpthread)'; then
    echo "needs a MinGW runtime DLL"
    return 1
  fi
}

zip_exe_carries_version() { # ARCH
  local objdump
  objdump="$(zip_objdump "$1")"
  # The whole list first: grep -q ending the pipe early would fail it under pipefail.
  grep -qx "$version" <<<"$("${objdump%objdump}strings" -el "$(zip_folder "$1")/ROZoveVI.exe")"
}

zip_readme_fits() { # ARCH
  local readme bits=${1#win}
  readme="$(zip_folder "$1")/README.txt"
  # Windows line endings throughout, and the bitness of this zip's programs.
  [ "$(grep -c $'\r$' "$readme")" -eq "$(wc -l <"$readme")" ] || { echo "not CRLF"; return 1; }
  grep -q "$version" "$readme" && grep -q "The programs here are $bits-bit" "$readme" &&
    grep -q 'ROZoveVI.exe' "$readme" && grep -q 'rozovevi-io' "$readme"
}

declare -F "$check" >/dev/null || { echo "package-checks.sh: no check '$check'" >&2; exit 2; }
# The checks test each step's status themselves: run as the condition of ||, so that errexit
# does not end one at the first command that is allowed to fail (a grep finding nothing).
status=0
"$check" "$@" || status=$?
exit "$status"
