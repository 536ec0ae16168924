#!/usr/bin/env bash
# End-to-end: a start of Kestrune whose data.enc already holds a master
# password and two entries. The user has three tries; the program reads the
# file but never changes it on the way in or out.
#
# Usage: second_run.sh PATH-TO-Kestrune

# shellcheck source=lib.sh
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
e2e_begin "${1:-}"

# The master password "Secret1", then the entries alice|||pw1|||example.com
# and bob|||pw2|||mail, each line encoded and ended by CR LF, then an empty line.
SAVED_FILE=$(e2e_saved_file 'alice|||pw1|||example.com' 'bob|||pw2|||mail')
readonly SAVED_FILE
# The same bytes spelled out, so that the helper that made them is checked too.
[ "$SAVED_FILE" = "d3 e5 e3 f2 e5 f4 b1 0d 0a \
e1 ec e9 e3 e5 fc fc fc f0 f7 b1 fc fc fc e5 f8 e1 ed f0 ec e5 ae e3 ef ed 0d 0a \
e2 ef e2 fc fc fc f0 f7 b2 fc fc fc ed e1 e9 ec 0d 0a 0d 0a" ] || e2e_fail "e2e_encode is wrong: $SAVED_FILE"

# A fresh program folder whose data.enc holds SAVED_FILE; the program starts
# there and shows the password dialog in check mode.
start_with_saved_file() {
  e2e_new_folder
  e2e_write_hex "$E2E_FOLDER/data.enc" "$SAVED_FILE"
  chmod 0600 "$E2E_FOLDER/data.enc"
  e2e_start
  e2e_expect_check_mode
}

expect_file_unchanged() {
  e2e_expect_bytes "$E2E_FOLDER/data.enc" "$SAVED_FILE" "data.enc $1"
}

# enter_password TEXT: the user types TEXT into the (empty) password box and
# presses Enter.
enter_password() {
  e2e_wait_flag "$TITLE_PASSWORD" text "" 1 "chars=0"
  e2e_type_into "$TITLE_PASSWORD" 1 "$1"
  e2e_key "$TITLE_PASSWORD" Return
}

# click_password TEXT: the same, but the user clicks Ok instead of Enter.
click_password() {
  e2e_wait_flag "$TITLE_PASSWORD" text "" 1 "chars=0"
  e2e_type_into "$TITLE_PASSWORD" 1 "$1"
  e2e_click "$TITLE_PASSWORD" "push button" "Ok"
}

# The "Incorrect Password" box shows, with Retry and Cancel.
expect_incorrect_password_box() {
  e2e_wait_window "$TITLE_INCORRECT"
  e2e_wait_text "$TITLE_INCORRECT" label "Sorry, the password you entered was not correct."
  e2e_wait_text "$TITLE_INCORRECT" "panel/push button" "Retry"
  e2e_wait_text "$TITLE_INCORRECT" "panel/push button" "Cancel"
}

# The user answers the "Incorrect Password" box with Enter: Retry, the
# button that has the keyboard. The box goes, the password box is emptied,
# and the dialog waits for the next try.
retry_with_enter() {
  e2e_wait_flag "$TITLE_INCORRECT" "panel/push button" "Retry" 1 focused
  e2e_key "$TITLE_INCORRECT" Return
  e2e_wait_window_gone "$TITLE_INCORRECT"
  e2e_expect_running
  e2e_wait_window "$TITLE_PASSWORD"
  e2e_wait_flag "$TITLE_PASSWORD" text "" 1 "chars=0"
}

# -----------------------------------------------------------------------------
e2e_case "two wrong passwords with Retry, then the right one opens the entries"
start_with_saved_file
# Wrong in case only, then a leading part of the right one.
enter_password "secret1"
expect_incorrect_password_box
retry_with_enter
click_password "Secret"
expect_incorrect_password_box
retry_with_enter
expect_file_unchanged "after two wrong passwords"
enter_password "Secret1"
e2e_wait_status "Loaded 2 entries"
e2e_wait_window_gone "$TITLE_PASSWORD"
cells=$(e2e_list_cells)
[ "$cells" = "alice|pw1|example.com|bob|pw2|mail" ] ||
  e2e_fail "the entry list shows '$cells', expected alice, pw1, example.com and bob, pw2, mail"
expect_file_unchanged "after the login"
e2e_exit_through_file_menu
expect_file_unchanged "after File > Exit"
e2e_case_passed

# -----------------------------------------------------------------------------
e2e_case "the third wrong password ends the program"
start_with_saved_file
enter_password "secret1"
expect_incorrect_password_box
retry_with_enter
enter_password "Secret"
expect_incorrect_password_box
retry_with_enter
# The right one with something after it is wrong too.
enter_password "Secret12"
expect_incorrect_password_box
e2e_key "$TITLE_INCORRECT" Return
e2e_wait_window "$TITLE_MESSAGE"
e2e_wait_text "$TITLE_MESSAGE" label "Only 3 tries allowed.  Click Ok to close."
e2e_expect_no_window "$TITLE_INCORRECT"
e2e_expect_running
e2e_key "$TITLE_MESSAGE" Return
e2e_expect_exit 0
expect_file_unchanged "after three wrong passwords"
e2e_case_passed

# -----------------------------------------------------------------------------
e2e_case "Cancel in the Incorrect Password box ends the program"
start_with_saved_file
enter_password "wrong password"
expect_incorrect_password_box
e2e_click "$TITLE_INCORRECT" "panel/push button" "Cancel"
e2e_expect_exit 0
expect_file_unchanged "after Cancel in the Incorrect Password box"
e2e_case_passed

# -----------------------------------------------------------------------------
e2e_case "Cancel or the close box of the password dialog ends the program"
start_with_saved_file
e2e_type_into "$TITLE_PASSWORD" 1 "Secret1"
e2e_click "$TITLE_PASSWORD" "push button" "Cancel"
e2e_expect_exit 0
expect_file_unchanged "after Cancel in the password dialog"

start_with_saved_file
e2e_type_into "$TITLE_PASSWORD" 1 "Secret1"
e2e_close_box "$TITLE_PASSWORD"
e2e_expect_exit 0
expect_file_unchanged "after closing the password dialog"
e2e_case_passed

e2e_summary
