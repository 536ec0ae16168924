#!/usr/bin/env bash
# End-to-end under Wine: Kestrune.exe as a Windows program, on a private X
# server, driven with xdotool as a user would. Wine's windows carry their
# titles to X, but offer no accessibility bus: the run finds windows by title
# and size, clicks at places inside them (the layout is fixed in twips), reads
# the clipboard, and checks data.enc, the lock file and the registry.
#
#   1. The unpacked ZIP alone, with nothing on the path: the password dialog.
#   2. The first start: the splash, then the master password is created;
#      data.enc lies beside the .exe, its lock in the user's local
#      application data.
#   3. "Show at Startup" unchecked: the setting is in the registry under the
#      program's name. An entry added: data.enc holds it, byte for byte.
#   4. The next start: the help window stays closed and the entry is listed;
#      a second copy is refused; Go To opens the location in the explorer and
#      the web site button hands the address to the browser.
#   5. The data file encrypted through the File menu: data.enc is sealed, and
#      the next start opens it with the master password.
# And the native window region, which needs windows of the Windows platform.
#
# Usage: wine_run.sh KESTRUNE.EXE ZIP tst_WindowsPlatform.exe
# The environment names a fresh Wine prefix of this run's own (WINEPREFIX)
# and the folders of Qt and the MinGW runtime (WINEPATH); the ZIP runs without
# them.

# shellcheck source=lib.sh
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

readonly WINE=${WINE:-/usr/lib/wine/wine64}
# The splash window is exactly its picture.
readonly SPLASH_SIZE="476x316"
readonly ENTRY='alice|||pw 1|||C:\Program Files'

WINE_EXE=${1:-}
WINE_ZIP=${2:-}
WINE_PLATFORM_TEST=${3:-}
WINE_XEV_PID=""

wine_cleanup() {
  local rc=$?
  # What the clean-up itself does is no failure of the run.
  trap - ERR
  e2e_end_process "$WINE_XEV_PID"
  # Every Windows process of this prefix, the explorer that Go To started too.
  "${WINE%/*}/wineserver" -k 2>/dev/null || true
  (exit "$rc")
  e2e_cleanup
}

wine_begin() {
  local tool
  for tool in "$WINE" Xvfb xdotool xclip xev unzip od timeout; do
    command -v "$tool" >/dev/null || e2e_missing "$tool is not installed (scripts/install-deps.sh installs it)"
  done
  local file
  for file in "$WINE_EXE" "$WINE_ZIP" "$WINE_PLATFORM_TEST"; do
    [ -f "$file" ] || e2e_fail "usage: $0 KESTRUNE.EXE ZIP tst_WindowsPlatform.exe"
  done
  [ -d "${WINEPREFIX:-}" ] || e2e_fail "WINEPREFIX names no Wine prefix"
  [ -n "${WINEPATH:-}" ] || e2e_fail "WINEPATH names no folders of Qt"
  export WINEDEBUG=-all
  trap wine_cleanup EXIT
  trap 'exit 130' INT
  trap 'exit 143' TERM
  E2E_ROOT=$(mktemp -d "${TMPDIR:-/tmp}/kestrune-wine.XXXXXX")
  E2E_WORKING_DIR="$E2E_ROOT/working-folder"
  mkdir -p "$E2E_WORKING_DIR"
  local _
  for _ in 1 2 3 4 5; do
    e2e_start_x_server && break
  done
  e2e_x_server_reachable || e2e_fail "could not start an X server that clients can reach"
  e2e_log "display $DISPLAY, Wine prefix $WINEPREFIX, temporary folder $E2E_ROOT"
}

# wine_start DIR [env ARGS...]: starts DIR/Kestrune.exe under Wine, from
# another working folder; the words after DIR go before Wine on its command
# line (env -u WINEPATH, say).
wine_start() {
  local dir=$1
  shift
  E2E_PROGRAM_COUNT=$((E2E_PROGRAM_COUNT + 1))
  e2e_launch "$dir" "$@" "$WINE" "$(wine_path "$dir/Kestrune.exe")"
}

wine_path() {
  printf 'Z:%s' "${1//\//\\}"
}

# wine_new_folder: a fresh program folder with the built program and its help.
wine_new_folder() {
  E2E_FOLDER="$E2E_ROOT/program$((E2E_PROGRAM_COUNT + 1))"
  mkdir -p "$E2E_FOLDER"
  cp "$WINE_EXE" "$(dirname "$WINE_EXE")/Help.rtf" "$E2E_FOLDER/"
}

# wine_size TITLE: the size of the showing window with this title, WxH.
wine_size() {
  local id
  id=$(e2e_window_id "$1")
  [ -n "$id" ] || e2e_fail "no window titled '$1'"
  xwininfo -id "$id" | sed -n 's/^ *-geometry \([0-9]*x[0-9]*\).*/\1/p'
}

# wine_click TITLE X Y: the user clicks at X, Y inside the window.
wine_click() {
  local id
  id=$(e2e_window_id "$1")
  [ -n "$id" ] || e2e_fail "no window titled '$1' to click in"
  xdotool mousemove --window "$id" "$2" "$3" click 1
  sleep 0.3
}

# wine_type TITLE X Y TEXT: the user clicks into the box at X, Y and types.
wine_type() {
  wine_click "$1" "$2" "$3"
  xdotool type --delay 20 "$4"
}

# wine_clipboard: what the program put on the clipboard, polled.
wine_clipboard() {
  local _ text=""
  for _ in $(seq 20); do
    text=$(timeout 2 xclip -o -selection clipboard 2>/dev/null || true)
    [ -z "$text" ] || break
    sleep 0.25
  done
  printf '%s' "$text"
}

# wine_registry KEY NAME: a value of the current user's registry, as reg.exe
# shows it ("REG_SZ    0"), or nothing while there is none (reg.exe then
# fails, which must not end the run).
wine_registry() {
  { "$WINE" reg query "HKCU\\$1" /v "$2" 2>/dev/null || true; } | tr -d '\r' | sed -n "s/^ *$2 *//p"
}

# wine_wait_message: waits for a message box of the program: titled like the
# program, but not the size of the splash window. Prints its id.
wine_wait_message() {
  local _ id
  for _ in $(seq $((E2E_TIMEOUT * 5))); do
    for id in $(xdotool search --onlyvisible --name "$(e2e_title_pattern "$TITLE_MESSAGE")" 2>/dev/null); do
      if ! xwininfo -id "$id" | grep -q "geometry $SPLASH_SIZE+"; then
        printf '%s\n' "$id"
        return 0
      fi
    done
    e2e_check_running "a message box"
    sleep 0.2
  done
  e2e_fail "no message box showed within ${E2E_TIMEOUT}s"
}

# wine_log_in DIR: the user starts DIR/Kestrune.exe and logs in with the
# master password Secret1 (the dialog in check mode, of another size than at
# the first start); the main window opens.
wine_log_in() {
  wine_start "$1"
  e2e_wait_window "$TITLE_PASSWORD"
  [ "$(wine_size "$TITLE_PASSWORD")" != "$create_size" ] || e2e_fail "the password dialog is in create mode"
  wine_type "$TITLE_PASSWORD" 280 34 "Secret1"
  xdotool key Return
  e2e_wait_window_gone "$TITLE_PASSWORD"
  e2e_wait_window "$TITLE_MAIN"
}

wine_begin

# -----------------------------------------------------------------------------
e2e_case "the native window region (tst_WindowsPlatform, Windows platform)"
result="$E2E_ROOT/region.txt"
timeout 120 "$WINE" "$WINE_PLATFORM_TEST" -platform windows aNativeWindowGetsItsRegionInWindowCoordinates \
  -o "$(wine_path "$result"),txt" >/dev/null 2>&1 || {
  cat "$result" >&2 2>/dev/null || true
  e2e_fail "the native region test failed"
}
grep -q '^PASS   : tst_WindowsPlatform::aNativeWindowGetsItsRegionInWindowCoordinates()' "$result" ||
  e2e_fail "the native region test did not run: $(grep -h 'SKIP\|Totals' "$result")"
e2e_case_passed

# -----------------------------------------------------------------------------
e2e_case "the unpacked ZIP starts alone and shows the password dialog"
unzip -q "$WINE_ZIP" -d "$E2E_ROOT/unpacked"
zip_folder=$(find "$E2E_ROOT/unpacked" -mindepth 1 -maxdepth 1)
if [ "$(printf '%s\n' "$zip_folder" | wc -l)" != 1 ] || [ ! -d "$zip_folder" ]; then
  e2e_fail "the ZIP does not hold one folder"
fi
wine_start "$zip_folder" env -u WINEPATH -u QT_PLUGIN_PATH
e2e_wait_window "$TITLE_PASSWORD"
create_size=$(wine_size "$TITLE_PASSWORD")
e2e_expect_bytes "$zip_folder/data.enc" "0d 0a" "data.enc made at the first start"
# The keyboard starts on Ok; Tab goes to Cancel, which ends the program.
e2e_key "$TITLE_PASSWORD" Tab space
e2e_expect_exit 0
e2e_case_passed

# -----------------------------------------------------------------------------
e2e_case "first start: the splash, then the master password is created"
wine_new_folder
folder=$E2E_FOLDER
# Every window the program maps, from the X server's own events: the splash
# shows only for a moment.
xev -root -event substructure >"$E2E_ROOT/xev.log" 2>&1 &
WINE_XEV_PID=$!
sleep 0.5
wine_start "$folder"
e2e_wait_window "$TITLE_PASSWORD"
[ "$(wine_size "$TITLE_PASSWORD")" = "$create_size" ] || e2e_fail "the password dialog is not in create mode"
e2e_end_process "$WINE_XEV_PID"
WINE_XEV_PID=""
splash_size=${SPLASH_SIZE/x/, height }
awk -v size="width $splash_size" '
  /^CreateNotify/ { getline; if (index($0, size)) { split($0, f, /[ ,]+/); for (i in f) if (f[i] == "window") created[f[i + 1]] = 1 } }
  /^MapNotify/ { getline; split($0, f, /[ ,]+/); for (i in f) if (f[i] == "window" && (f[i + 1] in created)) found = 1 }
  END { exit found ? 0 : 1 }' "$E2E_ROOT/xev.log" ||
  e2e_fail "no window of the splash's size ($SPLASH_SIZE) was shown before the password dialog"
[ ! -e "$folder/data.enc.lock" ] || e2e_fail "a data.enc.lock beside the running program"
find "$WINEPREFIX/drive_c/users" -path '*AppData*' -name 'kestrune-*.lock' | grep -q . ||
  e2e_fail "no lock in the local application data of the running program"
e2e_key "$TITLE_PASSWORD" Tab Tab
xdotool type --delay 20 "Secret1"
xdotool key Tab
xdotool type --delay 20 "Secret1"
xdotool key Return
e2e_wait_window_gone "$TITLE_PASSWORD"
e2e_wait_window "$TITLE_MAIN"
e2e_wait_window "$TITLE_HELP"
e2e_expect_bytes "$folder/data.enc" "$SECRET1_FILE" "data.enc after creating the password Secret1"
[ ! -e "$E2E_WORKING_DIR/data.enc" ] || e2e_fail "data.enc was made in the working folder"
e2e_case_passed

# -----------------------------------------------------------------------------
e2e_case "Show at Startup unchecked: the setting is in the registry; an entry is added"
[ -z "$(wine_registry 'Software\Kestrune\Kestrune\Settings' showHelp)" ] ||
  e2e_fail "the registry holds the setting before the box was clicked"
# The check box lies at 60, 7620 twips: 4, 508 pixels.
wine_click "$TITLE_HELP" 12 516
setting=""
for _ in $(seq 20); do
  setting=$(wine_registry 'Software\Kestrune\Kestrune\Settings' showHelp)
  [ -z "$setting" ] || break
  sleep 0.25
done
[ "$(echo "$setting" | tr -s ' ')" = "REG_SZ 0" ] ||
  e2e_fail "HKCU\\Software\\Kestrune\\Kestrune\\Settings holds showHelp '$setting', expected REG_SZ 0"
# The help window covers the main window: the user closes it (Alt+F4).
wine_click "$TITLE_HELP" 300 200
xdotool key alt+F4
e2e_wait_window_gone "$TITLE_HELP"

wine_click "$TITLE_MAIN" 300 400
xdotool key ctrl+n
e2e_wait_window "$TITLE_ADD"
wine_type "$TITLE_ADD" 190 15 "alice"
wine_type "$TITLE_ADD" 190 43 "pw 1"
wine_type "$TITLE_ADD" 190 71 'C:\Program Files'
xdotool key Return
e2e_wait_window_gone "$TITLE_ADD"
expected="$SECRET1_FILE $(e2e_encode "$ENTRY") 0d 0a 0d 0a"
for _ in $(seq 20); do
  [ "$(e2e_hex "$folder/data.enc")" = "$expected" ] && break
  sleep 0.25
done
e2e_expect_bytes "$folder/data.enc" "$expected" "data.enc after adding an entry"
wine_click "$TITLE_MAIN" 300 400
xdotool key alt+F4
e2e_expect_exit 0
e2e_expect_bytes "$folder/data.enc" "$expected" "data.enc after the program ended"
! find "$WINEPREFIX/drive_c/users" -path '*AppData*' -name 'kestrune-*.lock' | grep -q . ||
  e2e_fail "the lock is left after the program ended"
e2e_case_passed

# -----------------------------------------------------------------------------
e2e_case "next start: the help window stays closed and the entry is listed"
wine_log_in "$folder"
sleep 2
e2e_expect_no_window "$TITLE_HELP"
# The first row of the list; its username and password to the clipboard.
wine_click "$TITLE_MAIN" 60 190
xdotool key ctrl+b
[ "$(wine_clipboard)" = "alice" ] || e2e_fail "Copy Username gave '$(wine_clipboard)', expected 'alice'"
xdotool key ctrl+c
[ "$(wine_clipboard)" = "pw 1" ] || e2e_fail "Copy Password gave '$(wine_clipboard)', expected 'pw 1'"
e2e_case_passed

# -----------------------------------------------------------------------------
e2e_case "a second copy is refused and changes nothing"
e2e_set_aside
wine_start "$folder"
message=$(wine_wait_message)
xdotool windowfocus --sync "$message"
xdotool key Return
e2e_expect_exit 0
e2e_take_back
e2e_expect_running
e2e_expect_bytes "$folder/data.enc" "$expected" "data.enc after the second copy"
find "$WINEPREFIX/drive_c/users" -path '*AppData*' -name 'kestrune-*.lock' | grep -q . ||
  e2e_fail "the running copy's lock is gone"
e2e_case_passed

# -----------------------------------------------------------------------------
e2e_case "Go To opens the location in the explorer; the web site goes to the browser"
# Wine's browser hand-over runs a recorder here instead of a real browser.
printf '#!/bin/sh\nprintf "%%s\\n" "$@" >>"%s"\n' "$E2E_ROOT/opened.txt" >"$E2E_ROOT/browser.sh"
chmod +x "$E2E_ROOT/browser.sh"
"$WINE" reg add 'HKCU\Software\Wine\WineBrowser' /v Browsers /d "$E2E_ROOT/browser.sh" /f >/dev/null
# The web site button lies at 4860, 60 twips below the menu bar, 4095 by
# 1035: its middle is 459, 61 pixels into the window.
wine_click "$TITLE_MAIN" 459 61
e2e_wait_nonempty "$E2E_ROOT/opened.txt" || e2e_fail "the web site was not handed to the browser"
grep -q '^http://www\.kestrune\.example/\?$' "$E2E_ROOT/opened.txt" ||
  e2e_fail "the browser got '$(cat "$E2E_ROOT/opened.txt")'"
wine_click "$TITLE_MAIN" 60 190
xdotool key ctrl+shift+u
e2e_wait_window "Program Files"
e2e_case_passed

e2e_case "the program ends with its main window"
e2e_focus "$TITLE_MAIN"
wine_click "$TITLE_MAIN" 300 400
xdotool key alt+F4
e2e_expect_exit 0
e2e_expect_bytes "$folder/data.enc" "$expected" "data.enc at the end"
e2e_case_passed

# -----------------------------------------------------------------------------
e2e_case "the data file encrypted through the File menu opens after a restart"
wine_log_in "$folder"
# File is the first title of the menu bar; Encrypt Data File... its fourth
# item, after Import..., Export... and Merge From...
wine_click "$TITLE_MAIN" 15 10
xdotool key Down Down Down Down Return
e2e_wait_window "$TITLE_ENCRYPT"
e2e_key "$TITLE_ENCRYPT" Return
e2e_wait_window_gone "$TITLE_ENCRYPT"
for _ in $(seq $((E2E_TIMEOUT * 4))); do
  [[ "$(e2e_hex "$folder/data.enc")" != "$SEALED_START "* ]] || break
  sleep 0.25
done
sealed=$(e2e_hex "$folder/data.enc")
[[ "$sealed" == "$SEALED_START "* ]] || e2e_fail "data.enc is not sealed after Encrypt: ${sealed:0:80}"
for secret in "$(e2e_encode "$ENTRY")" "$(e2e_encode Secret1)"; do
  [[ "$sealed" != *"$secret"* ]] || e2e_fail "the sealed data.enc holds '$secret' in the clear"
done
wine_click "$TITLE_MAIN" 300 400
xdotool key alt+F4
e2e_expect_exit 0
e2e_expect_bytes "$folder/data.enc" "$sealed" "the sealed data.enc after the program ended"

wine_log_in "$folder"
wine_click "$TITLE_MAIN" 60 190
xdotool key ctrl+b
[ "$(wine_clipboard)" = "alice" ] || e2e_fail "after the restart, Copy Username gave '$(wine_clipboard)'"
wine_click "$TITLE_MAIN" 300 400
xdotool key alt+F4
e2e_expect_exit 0
e2e_expect_bytes "$folder/data.enc" "$sealed" "the sealed data.enc after logging in"
e2e_case_passed

e2e_summary
