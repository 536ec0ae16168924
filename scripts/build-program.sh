#!/usr/bin/env bash
# Builds the program alone (not its tests) in ./build, after installing what
# is missing, and prints the build folder. KESTRUNE_PREBUILT names a build
# tree that is already built: then nothing is installed or built, and that
# folder is printed. The build's own output goes to standard error.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
if [ -n "${KESTRUNE_PREBUILT:-}" ]; then
  echo "$KESTRUNE_PREBUILT"
  exit 0
fi
{
  "$root/scripts/install-deps.sh"
  cmake -S "$root" -B "$root/build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
  cmake --build "$root/build" --parallel --target Kestrune
} >&2
echo "$root/build"
