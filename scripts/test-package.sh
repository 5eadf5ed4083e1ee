#!/usr/bin/env bash
# shellcheck disable=SC2317  # The check functions run through check(), out of its sight.
# Builds the packages with scripts/package.sh into a scratch folder and checks them: lintian
# finds no error in the Debian package, its desktop entry and AppStream data validate, it installs
# into a throwaway root (its own dpkg database, nothing of this machine's touched) and is removed
# from there again, the installed program starts on the offscreen platform and shows its window,
# and each Windows zip holds what it should, with exes of the right machine type; the Windows
# Installer packages are read back and installed, upgraded and removed under Wine
# (scripts/msi-checks.sh). The last line printed is "N passed, M failed"; the exit status is
# non-zero on any failure.
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
# shellcheck source=scripts/pe-file.sh
source "$root/scripts/pe-file.sh"
# shellcheck source=scripts/tally.sh
source "$root/scripts/tally.sh"
# shellcheck source=scripts/msi-checks.sh
source "$root/scripts/msi-checks.sh"
scratch="$(mktemp -d "${TMPDIR:-/tmp}/rozovevi-package-test.XXXXXX")"
trap 'rm -rf "$scratch"' EXIT
# Runs one check; its output is shown only when it fails.
check() {
  local name="$1"
  shift
  if "$@" >"$scratch/check.log" 2>&1; then
    echo "PASS $name"
    tally_add 1 0
  else
    echo "FAIL $name"
    sed 's/^/    /' "$scratch/check.log"
    tally_add 0 1
  fi
}

finish() {
  tally_summary && exit 0
  exit 1
}

if ! ROZOVEVI_PACKAGE_DIR="$scratch/out" bash "$root/scripts/package.sh" >"$scratch/package.log" 2>&1
then
  cat "$scratch/package.log"
  tally_add 0 1
  finish
fi
version="$(sed -nE 's/^#define ROZOVEVI_VERSION_TEXT "(.*)"$/\1/p' \
  "$root/build/package-linux/generated/rozovevi_version.h")"
deb="$scratch/out/rozovevi_${version}_$(dpkg --print-architecture).deb"

# --- The Debian package -------------------------------------------------------------------------

names_carry_version() {
  ls "$scratch/out"
  [ -f "$deb" ] && [ "$(dpkg-deb -f "$deb" Version)" = "$version" ] &&
    [ -f "$scratch/out/ROZoveVI-$version-win32.zip" ] &&
    [ -f "$scratch/out/ROZoveVI-$version-win64.zip" ] &&
    [ -f "$scratch/out/ROZoveVI-$version-win32.msi" ] &&
    [ -f "$scratch/out/ROZoveVI-$version-win64.msi" ]
}
check "the five packages are named with the version $version" names_carry_version

lintian_finds_no_error() {
  lintian --fail-on error --pedantic --info "$deb" 2>&1 | grep -v 'running with root privileges'
  [ "${PIPESTATUS[0]}" -eq 0 ]
}
check "lintian reports no error" lintian_finds_no_error
# What lintian still says below the error level, for the record.
lintian --pedantic "$deb" 2>/dev/null | sed 's/^/    lintian: /' || true

# Dependencies come from dpkg-shlibdeps; the Qt libraries the program links must be among them.
dependencies_found() {
  local depends
  depends="$(dpkg-deb -f "$deb" Depends)"
  echo "Depends: $depends"
  for library in libc6 libstdc++6 libqt6core6 libqt6gui6 libqt6widgets6 qt6-qpa-plugins; do
    grep -Eq "(^|, )${library//+/\\+}( |,|\$)" <<<"$depends" || { echo "missing $library"; return 1; }
  done
}
check "the package depends on the libraries the program links" dependencies_found

# Install into a throwaway root with a dpkg database of its own. The dependencies are checked
# against this machine's packages separately, by apt's simulation, which changes nothing.
install_root="$scratch/root"
mkdir -p "$install_root/var/lib/dpkg/updates" "$install_root/var/lib/dpkg/info"
touch "$install_root/var/lib/dpkg/status"
in_root() { dpkg --root="$install_root" --force-not-root --force-depends --log=/dev/null "$@"; }

check "the package installs into a throwaway root" in_root --install "$deb"
check "apt can resolve its dependencies here" \
  apt-get --simulate -o Debug::NoLocking=1 install "$deb"

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
check "program, menu entry, AppStream data, man page and copyright are installed" files_in_place

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
check "the icon is installed in the hicolor theme at 16, 32, 48, 64, 128 and 256" icons_in_place

desktop_entry_valid() {
  local entry="$install_root/usr/share/applications/rozovevi.desktop"
  desktop-file-validate "$entry" || return 1
  grep -qx 'Name=ROZoveVI' "$entry" && grep -qx 'Exec=rozovevi' "$entry" &&
    grep -qx 'Icon=rozovevi' "$entry" && grep -qx 'Categories=Utility;' "$entry"
}
check "desktop-file-validate accepts the menu entry" desktop_entry_valid
check "appstreamcli validate accepts the AppStream data" appstreamcli validate --no-net \
  "$install_root/usr/share/metainfo/org.rozovevi.rozovevi.metainfo.xml"

man_pages_render() {
  local page
  for page in "$install_root"/usr/share/man/man1/*.1.gz; do
    # man prints groff's warnings on standard error and nothing else there.
    [ -z "$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$page" 2>&1 >/dev/null)" ] ||
      { LC_ALL=C.UTF-8 man --warnings -l "$page" >/dev/null; return 1; }
    zcat "$page" | grep -q "$version" || { echo "$page lacks the version $version"; return 1; }
  done
}
check "the man pages render without warnings and carry the version" man_pages_render

# The installed program, started as it is: Qt loads the window probe (libqttestability.so) into
# it, which reports the first window shown and ends the program.
probe_dir="$scratch/probe"
mkdir -p "$probe_dir" "$scratch/runtime"
chmod 700 "$scratch/runtime"
build_probe() {
  # shellcheck disable=SC2046  # pkg-config's flags are separate words.
  g++ -std=c++17 -Wall -Wextra -Wpedantic -Werror -fPIC -shared \
    "$root/tests/package/window_probe.cpp" -o "$probe_dir/libqttestability.so" \
    $(pkg-config --cflags --libs Qt6Gui)
}
window_shows() {
  local report
  build_probe || return 1
  report="$(cd "$scratch" && env -i PATH="$install_root/usr/bin:/usr/bin:/bin" \
    HOME="$scratch" XDG_RUNTIME_DIR="$scratch/runtime" QT_QPA_PLATFORM=offscreen \
    QT_LOAD_TESTABILITY=1 LD_LIBRARY_PATH="$probe_dir" timeout 30 rozovevi 2>&1)" || {
    echo "$report"
    return 1
  }
  echo "$report"
  grep -qx 'window shown: "ROZoveVI" [0-9]*x[0-9]*, icon 16x16 32x32' <<<"$report"
}
check "the installed rozovevi starts on the offscreen platform and shows its window" window_shows

if [ -e "$install_root/usr/bin/rozovevi-io" ]; then
  io_version() {
    local shown
    shown="$(env -i PATH="$install_root/usr/bin:/usr/bin:/bin" rozovevi-io --version)"
    echo "$shown"
    grep -q "$version" <<<"$shown"
  }
  check "the installed rozovevi-io gives the version $version" io_version
fi

removed_again() {
  in_root --purge rozovevi || return 1
  local left
  left="$(find "$install_root" -path "$install_root/var/lib/dpkg" -prune -o \
    \( -type f -o -type l \) -print)"
  [ -z "$left" ] || { echo "left behind:"; echo "$left"; return 1; }
}
check "the package is removed from the throwaway root without a trace" removed_again

# --- The Windows zips ---------------------------------------------------------------------------

# Checks a PE file's machine, bitness and subsystem, and that it imports no DLL of the MinGW
# runtimes, which a plain Windows does not have.
# Usage: check_exe FILE i386|x86-64 gui|console OBJDUMP
check_exe() {
  pe_check "$1" "$2" "$3" || return 1
  if "$4" -p "$1" | grep -Ei 'DLL Name: *lib(stdc\+\+|gcc|winpthread)'; then
    echo "needs a MinGW runtime DLL"
    return 1
  fi
}

for arch in win32 win64; do
  zip="$scratch/out/ROZoveVI-$version-$arch.zip"
  folder="ROZoveVI-$version-$arch"
  if [ "$arch" = win32 ]; then
    machine=i386 bits=32 objdump=i686-w64-mingw32-objdump
  else
    machine=x86-64 bits=64 objdump=x86_64-w64-mingw32-objdump
  fi
  expected="$folder/README.txt
$folder/ROZoveVI.exe
$folder/rozovevi-io.exe"

  zip_lists() {
    local listed
    listed="$(unzip -Z1 "$zip" | grep -v '/$' | LC_ALL=C sort)"
    echo "$listed"
    [ "$listed" = "$(LC_ALL=C sort <<<"$expected")" ]
  }
  check "$arch zip holds $(tr '\n' ' ' <<<"${expected//$folder\//}")in $folder/" zip_lists

  unzip -q -o "$zip" -d "$scratch/$arch" || true
  check "$arch ROZoveVI.exe is a $bits-bit window program needing no extra DLLs" \
    check_exe "$scratch/$arch/$folder/ROZoveVI.exe" "$machine" gui "$objdump"
  check "$arch rozovevi-io.exe is a $bits-bit console program needing no extra DLLs" \
    check_exe "$scratch/$arch/$folder/rozovevi-io.exe" "$machine" console "$objdump"

  exe_carries_version() {
    "${objdump%objdump}strings" -el "$scratch/$arch/$folder/ROZoveVI.exe" | grep -qx "$version"
  }
  check "$arch ROZoveVI.exe's version block says $version" exe_carries_version

  readme_fits() {
    local readme="$scratch/$arch/$folder/README.txt"
    # Windows line endings throughout, and the bitness of this zip's programs.
    [ "$(grep -c $'\r$' "$readme")" -eq "$(wc -l <"$readme")" ] || { echo "not CRLF"; return 1; }
    grep -q "$version" "$readme" && grep -q "The programs here are $bits-bit" "$readme" &&
      grep -q 'ROZoveVI.exe' "$readme" && grep -q 'rozovevi-io' "$readme"
  }
  check "$arch README.txt (CRLF) names the version, the exes and the $bits-bit I/O server" \
    readme_fits
done

# --- The Windows Installer packages -------------------------------------------------------------

# Their publisher is the Debian package's maintainer, without the address.
msi_checks "$scratch/out" "$version" "$(dpkg-deb -f "$deb" Maintainer | sed 's/ *<.*//')"

finish
