#!/usr/bin/env bash
# Installs what is missing, builds Kestrune and starts it. The program keeps
# its data file, data.enc, beside the executable: build/src/data.enc.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh
./scripts/build.sh
exec ./build/src/Kestrune
