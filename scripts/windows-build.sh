# Cross-builds of the Windows program, shared by the Windows test and run scripts; source it.
#
#   windows_build_dir win32|win64          prints the build folder of that architecture
#   windows_build win32|win64 [TARGET...]  configures it with the CMake preset of that name (tests
#                                          included, warnings as errors) and builds it; prints the
#                                          build's output only when it fails
#
# Runs started at once share a build folder, so each build holds a lock on it: the later ones
# wait and find it up to date.

windows_build_dir() {
  local root
  root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
  printf '%s%s' "${ROZOVEVI_WINDOWS_BUILD_DIR:-$root/build-win}" "${1#win}"
}

windows_build() {
  local arch=$1 root dir log targets=()
  shift
  root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
  dir="$(windows_build_dir "$arch")"
  case "$arch" in
    win32 | win64) ;;
    *) echo "windows_build: unknown architecture '$arch'" >&2; return 2 ;;
  esac
  for target in "$@"; do targets+=(--target "$target"); done
  mkdir -p "$dir"
  log="$(mktemp)"
  # The configure preset of the same name (CMakePresets.json), in this build folder.
  if ! {
    flock 9
    (cd "$root" && cmake --preset "$arch" -B "$dir") && cmake --build "$dir" -j2 "${targets[@]}"
  } 9>"$dir.lock" >"$log" 2>&1; then
    cat "$log"
    rm -f "$log"
    echo "the $arch build failed"
    return 1
  fi
  rm -f "$log"
}
