#!/usr/bin/env bash
# Installs, from Debian's packages, what building, running and testing ROZoveVI needs.
# Usage: install-deps.sh [linux] [windows] [bench]   (no argument: linux)
# Installs only what is missing, so a machine that has everything is left alone.
set -euo pipefail

want=("$@")
[ ${#want[@]} -gt 0 ] || want=(linux)

packages=()
needs_i386=false
for part in "${want[@]}"; do
  case "$part" in
    linux)
      packages+=(cmake make g++ pkg-config qt6-base-dev libgl-dev libgtest-dev libgmock-dev
                 fonts-liberation xvfb xauth clang-format) ;;
    windows)
      packages+=(cmake make g++ g++-mingw-w64-i686 wine wine32 xvfb xauth fonts-liberation)
      needs_i386=true ;;
    bench)
      # Google Benchmark; callgrind for the instruction counts; Xlib with DAMAGE and a virtual
      # display for the start-up measurement.
      packages+=(libbenchmark-dev valgrind libx11-dev libxdamage-dev xvfb xauth) ;;
    *) echo "install-deps.sh: unknown part '$part' (linux, windows, bench)" >&2; exit 2 ;;
  esac
done

as_root() {
  if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

if $needs_i386 && ! dpkg --print-foreign-architectures | grep -qx i386; then
  as_root dpkg --add-architecture i386
  rm -f /tmp/.rozovevi-apt-updated
fi

missing=()
for package in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${db:Status-Status}' "$package" 2>/dev/null || true)
  [ "$status" = installed ] || missing+=("$package")
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  as_root apt-get update -qq
  as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends \
    "${missing[@]}" >/dev/null
fi
