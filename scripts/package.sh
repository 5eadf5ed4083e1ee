#!/usr/bin/env bash
# Builds the packages into out/ (or $ROZOVEVI_PACKAGE_DIR):
#   rozovevi_<version>_<arch>.deb      from a Release build with Debian's hardening flags
#   ROZoveVI-<version>-win32.zip       from a Release cross-build for 32-bit Windows
#   ROZoveVI-<version>-win64.zip       from a Release cross-build for 64-bit Windows
#   ROZoveVI-<version>-win32.msi and -win64.msi, Windows Installer packages of the same files
#                                      (scripts/make-msi.sh)
# Each build has its own folder, build/package-*, which a second run reuses. The version comes
# from the top-level CMakeLists.txt. Prints the path of each file made, one a line, last.
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
out="${ROZOVEVI_PACKAGE_DIR:-$root/out}"
jobs=2

bash "$root/scripts/install-deps.sh" linux package

mkdir -p "$out" "$root/build"
log="$(mktemp "${TMPDIR:-/tmp}/rozovevi-package.XXXXXX")"
trap 'rm -f "$log"' EXIT

# Runs one step with its output in the log, shown only when it fails.
quietly() {
  if ! "$@" >"$log" 2>&1; then
    cat "$log" >&2
    echo "package.sh: failed: $*" >&2
    exit 1
  fi
}

# Configures (with the CMake preset of the folder's name), builds and packs one build folder,
# then moves the package into $out.
# Usage: make_package FOLDER GENERATOR PATTERN [CMAKE-ARGS...]
make_package() {
  local build="$root/build/$1" generator="$2" pattern="$3"
  shift 3
  echo "== $generator package from build/${build##*/}"
  quietly cmake --preset "${build##*/}" "$@"
  quietly cmake --build "$build" -j"$jobs"
  # The pattern is a glob on purpose: the version part of the name is CMake's to fill in.
  # shellcheck disable=SC2086,SC2206
  {
    rm -f "$build"/$pattern
    (cd "$build" && quietly cpack -G "$generator")
    local made=("$build"/$pattern)
  }
  if [ ${#made[@]} -ne 1 ] || [ ! -f "${made[0]}" ]; then
    echo "package.sh: expected one $pattern in $build" >&2
    exit 1
  fi
  mv -f "${made[0]}" "$out/"
  packages+=("$out/${made[0]##*/}")
}

packages=()
# Stripping a Windows exe writes the time into its header: the release date's noon (from the
# top-level CMakeLists.txt) instead of now, so that the same build always packs the same bytes,
# in the zip and in the MSI alike.
release_date="$(sed -nE 's/^set\(ROZOVEVI_RELEASE_DATE "([0-9-]+)"\)$/\1/p' "$root/CMakeLists.txt")"
export SOURCE_DATE_EPOCH
SOURCE_DATE_EPOCH="$(date -u -d "${release_date:?no ROZOVEVI_RELEASE_DATE in CMakeLists.txt} 12:00:00" +%s)"
# Debian's build flags: stack protector, fortified functions, full RELRO and immediate binding,
# position-independent code; file paths in the binaries relative to the source tree.
cd "$root"
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
make_package package-linux DEB 'rozovevi_*.deb' \
  -DCMAKE_CXX_FLAGS="$(dpkg-buildflags --get CXXFLAGS) $(dpkg-buildflags --get CPPFLAGS)" \
  -DCMAKE_EXE_LINKER_FLAGS="$(dpkg-buildflags --get LDFLAGS)"
make_package package-win32 ZIP 'ROZoveVI-*-win32.zip'
make_package package-win64 ZIP 'ROZoveVI-*-win64.zip'

# The Windows Installer package of a Windows build, made of the same files as its zip.
make_msi() {
  echo "== MSI package from build/$1"
  quietly bash "$root/scripts/make-msi.sh" "$root/build/$1" "$out"
  packages+=("$(tail -n 1 "$log")")
}
make_msi package-win32
make_msi package-win64

printf '%s\n' "${packages[@]}"
