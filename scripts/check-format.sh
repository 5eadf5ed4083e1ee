#!/usr/bin/env bash
# Checks that every C++ source and header is formatted as .clang-format says (clang-format 14),
# printing what it would change. Finds the files itself, so that it works on a copy of the sources
# as well as in a clone: everything but the build folders and out/, as .gitignore has them.
set -euo pipefail
cd "$(dirname "$0")/.."
find . \( -path './build*' -o -path ./out -o -path ./.git -o -name node_modules \) -prune -o \
  -type f \( -name '*.cpp' -o -name '*.h' \) -print0 | xargs -0 -r clang-format --dry-run --Werror
