#!/usr/bin/env bash
# End-to-end: the lock. Ctrl+L, the screen saver's signal on the session bus
# and a minute without input each hide the main window and its list and ask
# for the master password again; the right password brings the list back,
# Cancel ends the program. The file is never written on the way.
#
# Usage: lock.sh PATH-TO-Kestrune

# shellcheck source=lib.sh
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
e2e_begin "${1:-}"
command -v dbus-send >/dev/null || e2e_missing "dbus-send is not installed (scripts/install-deps.sh installs it)"

readonly SETTINGS_FILE="$XDG_CONFIG_HOME/Kestrune/Kestrune.conf"
SAVED_FILE=$(e2e_saved_file 'alice|||pw1|||example.com' 'bob|||pw2|||mail')
readonly SAVED_FILE

start_logged_in() {
  e2e_new_folder
  e2e_write_hex "$E2E_FOLDER/data.enc" "$SAVED_FILE"
  chmod 0600 "$E2E_FOLDER/data.enc"
  e2e_log_in "Secret1" "Loaded 2 entries"
}

expect_list_back() {
  local cells
  cells=$(e2e_list_cells)
  [ "$cells" = "alice|pw1|example.com|bob|pw2|mail" ] ||
    e2e_fail "after the unlock the entry list shows '$cells', expected alice and bob"
}

# expect_locked: the main window, and every other window of the program, has
# gone; the password dialog asks in check mode.
expect_locked() {
  e2e_wait_window_gone "$TITLE_MAIN"
  e2e_expect_check_mode
  e2e_expect_no_window "$TITLE_ABOUT"
  e2e_expect_running
}

unlock() {
  e2e_wait_flag "$TITLE_PASSWORD" text "" 1 "chars=0"
  e2e_type_into "$TITLE_PASSWORD" 1 "Secret1"
  e2e_key "$TITLE_PASSWORD" Return
  e2e_wait_status "Loaded 2 entries"
  e2e_wait_window_gone "$TITLE_PASSWORD"
  expect_list_back
}

expect_file_unchanged() {
  e2e_expect_bytes "$E2E_FOLDER/data.enc" "$SAVED_FILE" "data.enc $1"
}

# -----------------------------------------------------------------------------
e2e_case "Ctrl+L locks, and the right password brings the list back"
start_logged_in
# A window beside the main window closes with it.
e2e_from_menu "About" "About this software"
e2e_wait_window "$TITLE_ABOUT"
e2e_key "$TITLE_MAIN" ctrl+l
expect_locked
unlock
expect_file_unchanged "after a lock and an unlock"
e2e_exit_through_file_menu
e2e_case_passed

# -----------------------------------------------------------------------------
e2e_case "the screen saver's ActiveChanged(true) locks; Cancel then ends the program"
start_logged_in
dbus-send --session --type=signal /org/freedesktop/ScreenSaver \
  org.freedesktop.ScreenSaver.ActiveChanged boolean:true
expect_locked
unlock
# The screen saver going away locks nothing.
dbus-send --session --type=signal /org/freedesktop/ScreenSaver \
  org.freedesktop.ScreenSaver.ActiveChanged boolean:false
sleep 1
[ -n "$(e2e_window_id "$TITLE_MAIN")" ] || e2e_fail "ActiveChanged(false) hid the main window"
dbus-send --session --type=signal /org/gnome/ScreenSaver \
  org.gnome.ScreenSaver.ActiveChanged boolean:true
expect_locked
e2e_click "$TITLE_PASSWORD" "push button" "Cancel"
e2e_expect_exit 0
expect_file_unchanged "after Cancel while locked"
e2e_case_passed

# -----------------------------------------------------------------------------
e2e_case "a lockAfterMinutes of 1 locks after a minute without input"
mkdir -p "$(dirname "$SETTINGS_FILE")"
printf '[Settings]\nlockAfterMinutes=1\nshowHelp=0\n' >"$SETTINGS_FILE"
start_logged_in
since=$(date +%s)
# Nothing moves the mouse or types from here on.
sleep 45
[ -n "$(e2e_window_id "$TITLE_MAIN")" ] || e2e_fail "locked within 45 seconds of the login"
E2E_TIMEOUT=60 e2e_wait_window_gone "$TITLE_MAIN"
waited=$(($(date +%s) - since))
[ "$waited" -ge 58 ] || e2e_fail "locked after $waited seconds, expected a minute"
expect_locked
unlock
expect_file_unchanged "after the idle lock"
e2e_exit_through_file_menu
e2e_case_passed

e2e_summary
