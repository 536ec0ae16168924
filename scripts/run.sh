#!/usr/bin/env bash
# Installs what is missing, builds Kestrune, installs it into its program
# folder (KESTRUNE_PROGRAM_DIR, by default ~/.local/share/Kestrune; see
# scripts/install-user.sh) and starts it from there. The program keeps its
# vault, data.enc, beside itself in that folder.
set -euo pipefail
# shellcheck source-path=SCRIPTDIR
source "$(dirname "$0")/install-user.sh"
echo "Starting $KESTRUNE_PROGRAM_DIR/Kestrune"
exec "$KESTRUNE_PROGRAM_DIR/Kestrune"
