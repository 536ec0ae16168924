#!/usr/bin/env bash
# Makes the README's screenshots from the real program: starts Kestrune on a
# private X server (with the openbox window manager, so that the windows wear
# frames) in a temporary program folder whose vault holds a few made-up
# entries, logs in, and takes a PNG of the main window and one of the entry
# dialog, into docs/.
#
#   scripts/screenshots.sh [PATH-TO-Kestrune]
#
# Without an argument it installs what is missing and builds build/src/Kestrune.
# The master password of the sample vault is "Sample1".
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
exe=${1:-}
if [ -z "$exe" ]; then
  "$root/scripts/install-deps.sh" imagemagick openbox
  cmake -S "$root" -B "$root/build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
  cmake --build "$root/build" --parallel --target Kestrune
  exe="$root/build/src/Kestrune"
fi
exe=$(cd "$(dirname "$exe")" && pwd)/$(basename "$exe")
command -v import >/dev/null || { echo "ImageMagick's import is missing: apt-get install imagemagick" >&2; exit 1; }

# The end-to-end tests' helpers start the X server, the session bus and the
# program, and find windows and controls; everything ends with this script.
# shellcheck source-path=SCRIPTDIR source=../tests/e2e/lib.sh
source "$root/tests/e2e/lib.sh"
e2e_begin "$exe"

wm_pid=""
if command -v openbox >/dev/null; then
  openbox --sm-disable >"$E2E_ROOT/openbox.log" 2>&1 &
  wm_pid=$!
  trap 'e2e_end_process "$wm_pid"; e2e_cleanup' EXIT
  sleep 1
fi

entries=(
  'alex.rivera@mail.example|||Tr0ub4dor&3|||https://mail.example.com'
  'arivera|||correct-horse-battery|||www.bank.example'
  'alex_r|||wintertime-42|||forum.example.org'
  'a.rivera|||Ph0tos!2024|||\\nas\photos'
)
vault="$(e2e_encode 'Sample1') 0d 0a"
for entry in "${entries[@]}"; do
  vault+=" $(e2e_encode "$entry") 0d 0a"
done
e2e_new_folder
e2e_write_hex "$E2E_FOLDER/data.enc" "$vault 0d 0a"

# shot TITLE FILE: a PNG of the window with this title (with its frame, when
# there is a window manager), without the metadata that changes between runs.
shot() {
  local id
  id=$(e2e_window_id "$1")
  [ -n "$id" ] || e2e_fail "no window titled '$1' to photograph"
  sleep 1
  import -window "$id" -frame png:- |
    convert - -strip -define png:exclude-chunk=all +set date:create +set date:modify "$root/docs/$2"
  echo "$root/docs/$2"
}

e2e_log_in "Sample1" "Loaded ${#entries[@]} entries"
e2e_click "$TITLE_MAIN" "filler/tree/tree item" "arivera"
shot "$TITLE_MAIN" main-window.png
e2e_key "$TITLE_MAIN" Return
e2e_wait_window "$TITLE_EDIT"
shot "$TITLE_EDIT" entry-dialog.png
