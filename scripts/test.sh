#!/usr/bin/env bash
# Installs what is missing, builds Kestrune with its tests and runs every test:
# the unit tests, the window tests (offscreen) and the end-to-end tests, which
# start the real program under a private Xvfb server.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh
./scripts/build.sh
cd build
ctest --output-on-failure --timeout 600 -j "$(nproc)"
