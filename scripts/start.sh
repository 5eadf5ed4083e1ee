#!/usr/bin/env bash
# Sets up what is missing, builds the Linux program and opens its window.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh linux
cmake -S . -B build/release -DCMAKE_BUILD_TYPE=Release -DROZOVEVI_BUILD_TESTS=OFF \
  -DROZOVEVI_BUILD_BENCH=OFF >/dev/null
cmake --build build/release --target rozovevi -j"$(nproc)"

if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  echo "No display is set (DISPLAY or WAYLAND_DISPLAY): start a desktop session or Xvfb first." >&2
  exit 1
fi
exec build/release/app/qt/rozovevi
