#!/usr/bin/env bash
# Sets up what is missing, builds the Linux program and opens its window.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh linux
cmake --preset release >/dev/null
cmake --build --preset release --target rozovevi -j"$(nproc)"

if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  echo "No display is set (DISPLAY or WAYLAND_DISPLAY): start a desktop session or Xvfb first." >&2
  exit 1
fi
exec build/release/app/qt/rozovevi
