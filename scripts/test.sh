#!/usr/bin/env bash
# Installs what is missing, builds Kestrune with its tests and runs every test:
# the unit tests, the window tests (offscreen) and the end-to-end tests, which
# start the real program under a private Xvfb server; then the Windows stage
# (scripts/test-windows.sh): with a Windows SDK, Kestrune.exe and its tests
# built and run under Wine, and the Windows ZIP started alone; without one,
# every source file compiled for Windows. Then builds everything again with AddressSanitizer
# and UndefinedBehaviorSanitizer and runs every test once more, failing on any
# report, and finally runs each fuzz target for a minute (FUZZ_SECONDS).
# KESTRUNE_QUICK_TEST=1 stops after the Windows stage.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh
./scripts/build.sh
(cd build && ctest --output-on-failure --timeout 600 -j "$(nproc)")
# Kestrune for Windows: built and run under Wine (without an SDK: compiled).
./scripts/test-windows.sh
if [ "${KESTRUNE_QUICK_TEST:-0}" = 1 ]; then
  exit 0
fi
./scripts/test-sanitizers.sh
./scripts/test-fuzz.sh
