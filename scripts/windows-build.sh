# Cross-builds of the Windows program, shared by the Windows test and run scripts; source it.
#
#   windows_build_dir win32|win64          prints the build folder of that architecture
#   windows_build win32|win64 [TARGET...]  configures and builds it (tests included), warnings as
#                                          errors; prints the build's output only when it fails
#
# Runs started at once share a build folder, so each build holds a lock on it: the later ones
# wait and find it up to date.

windows_build_dir() {
  local root
  root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
  printf '%s%s' "${ROZOVEVI_WINDOWS_BUILD_DIR:-$root/build-win}" "${1#win}"
}

windows_build() {
  local arch=$1 root dir toolchain log targets=()
  shift
  root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
  dir="$(windows_build_dir "$arch")"
  case "$arch" in
    win32) toolchain=toolchain-mingw-i686.cmake ;;
    win64) toolchain=toolchain-mingw-x86_64.cmake ;;
    *) echo "windows_build: unknown architecture '$arch'" >&2; return 2 ;;
  esac
  for target in "$@"; do targets+=(--target "$target"); done
  mkdir -p "$dir"
  log="$(mktemp)"
  if ! {
    flock 9
    cmake -S "$root" -B "$dir" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/$toolchain" \
      -DCMAKE_BUILD_TYPE=Release -DROZOVEVI_BUILD_TESTS=ON -DROZOVEVI_WERROR=ON &&
      cmake --build "$dir" -j2 "${targets[@]}"
  } 9>"$dir.lock" >"$log" 2>&1; then
    cat "$log"
    rm -f "$log"
    echo "the $arch build failed"
    return 1
  fi
  rm -f "$log"
}
