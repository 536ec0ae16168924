#!/usr/bin/env bash
# End-to-end: the first start of Kestrune, when its program folder has no
# data.enc yet. The user chooses the master password; data.enc must then hold
# exactly that password, encoded, and open the program on the next start.
#
# Usage: first_run.sh PATH-TO-Kestrune

# shellcheck source=lib.sh
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
e2e_begin "${1:-}"

# "Grüße1" as Windows-1252 bytes (47 72 FC DF 65 31), top bits flipped, CR LF.
readonly GRUESSE1_FILE="c7 f2 7c 5f e5 b1 0d 0a"

# expect_message TEXT: a message box titled "Kestrune" says TEXT; the user
# presses Return to close it, and is back in the password dialog.
expect_message() {
  e2e_wait_window "$TITLE_MESSAGE"
  e2e_wait_text "$TITLE_MESSAGE" label "$1"
  e2e_key "$TITLE_MESSAGE" Return
  e2e_wait_window_gone "$TITLE_MESSAGE"
  e2e_expect_running
  e2e_wait_window "$TITLE_PASSWORD"
}

# -----------------------------------------------------------------------------
e2e_case "first start: empty data file, create mode, keyboard starts on Ok"
e2e_new_folder
folder=$E2E_FOLDER
e2e_start "$folder"
e2e_expect_create_mode
# A screen reader announces the password dialog as a dialog.
e2e_expect_role "$TITLE_PASSWORD" dialog
e2e_expect_bytes "$folder/data.enc" "0d 0a" "data.enc made at the first start"
e2e_expect_mode "$folder/data.enc" 600
[ ! -e "$E2E_WORKING_DIR/data.enc" ] ||
  e2e_fail "data.enc was made in the working folder instead of the program folder"
# The keyboard starts on Ok; Tab goes on to Cancel, the password box and the
# retype box, in that order.
e2e_focus "$TITLE_PASSWORD"
e2e_wait_flag "$TITLE_PASSWORD" "push button" "Ok" 1 focused
e2e_key "$TITLE_PASSWORD" Tab
e2e_wait_flag "$TITLE_PASSWORD" "push button" "Cancel" 1 focused
e2e_key "$TITLE_PASSWORD" Tab
e2e_wait_flag "$TITLE_PASSWORD" text "" 1 focused
e2e_key "$TITLE_PASSWORD" Tab
e2e_wait_flag "$TITLE_PASSWORD" text "" 2 focused
e2e_case_passed

# -----------------------------------------------------------------------------
e2e_case "too short and mismatched passwords are refused, a good one is saved"
# Three characters, Enter in the password box: too short.
e2e_type_into "$TITLE_PASSWORD" 1 "abc"
e2e_key "$TITLE_PASSWORD" Return
# A message box is an alert.
e2e_wait_window "$TITLE_MESSAGE"
e2e_expect_role "$TITLE_MESSAGE" "alert message"
expect_message "You must enter a password that is at least 4 characters long"
e2e_expect_bytes "$folder/data.enc" "0d 0a" "data.enc after a too short password"

# Four characters is long enough, but the retyped one differs; Enter in the
# retype box. Both boxes are emptied.
e2e_type_into "$TITLE_PASSWORD" 1 "d"
e2e_type_into "$TITLE_PASSWORD" 2 "abce"
e2e_key "$TITLE_PASSWORD" Return
expect_message "Your passwords did not match.  Please try again."
e2e_wait_flag "$TITLE_PASSWORD" text "" 1 "chars=0"
e2e_wait_flag "$TITLE_PASSWORD" text "" 2 "chars=0"
e2e_expect_bytes "$folder/data.enc" "0d 0a" "data.enc after mismatched passwords"

e2e_type_into "$TITLE_PASSWORD" 1 "Secret1"
e2e_type_into "$TITLE_PASSWORD" 2 "Secret1"
e2e_key "$TITLE_PASSWORD" Return
e2e_wait_status "Password created successfully"
e2e_wait_window_gone "$TITLE_PASSWORD"
e2e_expect_bytes "$folder/data.enc" "$SECRET1_FILE" "data.enc after creating the password Secret1"
e2e_expect_mode "$folder/data.enc" 600
e2e_exit_through_file_menu
e2e_expect_bytes "$folder/data.enc" "$SECRET1_FILE" "data.enc after File > Exit"
e2e_case_passed

# -----------------------------------------------------------------------------
e2e_case "the created password opens the program on the next start"
e2e_start "$folder"
e2e_expect_check_mode
e2e_type_into "$TITLE_PASSWORD" 1 "Secret1"
e2e_key "$TITLE_PASSWORD" Return
e2e_wait_status "Loaded 0 entries"
e2e_wait_window_gone "$TITLE_PASSWORD"
e2e_exit_through_file_menu
e2e_expect_bytes "$folder/data.enc" "$SECRET1_FILE" "data.enc after a login and File > Exit"
e2e_case_passed

# -----------------------------------------------------------------------------
e2e_case "accented letters are stored as Windows-1252; other characters are refused"
e2e_new_folder
folder=$E2E_FOLDER
e2e_start "$folder"
e2e_expect_create_mode
# Omega has no Windows-1252 byte: the password could not be read back. The
# user pastes the password rather than typing it (see e2e_paste_into).
e2e_paste_into "$TITLE_PASSWORD" 1 "Grüße1Ω"
e2e_paste_into "$TITLE_PASSWORD" 2 "Grüße1Ω"
e2e_key "$TITLE_PASSWORD" Return
expect_message "Kestrune cannot store the character \"Ω\" in the master password.  Please choose a password without it."
e2e_expect_bytes "$folder/data.enc" "0d 0a" "data.enc after a password with an unstorable character"
# The user takes the Omega away again in both boxes.
e2e_type_into "$TITLE_PASSWORD" 1 ""
e2e_key "$TITLE_PASSWORD" End BackSpace
e2e_wait_flag "$TITLE_PASSWORD" text "" 1 "chars=6"
e2e_type_into "$TITLE_PASSWORD" 2 ""
e2e_key "$TITLE_PASSWORD" End BackSpace
e2e_wait_flag "$TITLE_PASSWORD" text "" 2 "chars=6"
# This time the user clicks Ok instead of pressing Enter.
e2e_click "$TITLE_PASSWORD" "push button" "Ok"
e2e_wait_status "Password created successfully"
e2e_expect_bytes "$folder/data.enc" "$GRUESSE1_FILE" "data.enc after creating the password Grüße1"
e2e_exit_through_file_menu

e2e_start "$folder"
e2e_expect_check_mode
e2e_paste_into "$TITLE_PASSWORD" 1 "Grüße1"
e2e_key "$TITLE_PASSWORD" Return
e2e_wait_status "Loaded 0 entries"
e2e_exit_through_file_menu
e2e_expect_bytes "$folder/data.enc" "$GRUESSE1_FILE" "data.enc after logging in with Grüße1"
e2e_case_passed

# -----------------------------------------------------------------------------
e2e_case "a pasted password of 40,000 characters is stored whole and opens the program"
# Longer than the 32,767 characters a text box would keep by default; numbers
# in a row, so that a cut or a lost piece shows.
long=$("$E2E_PYTHON" -c 'print("".join("%d," % i for i in range(9000))[:40000], end="")')
[ "${#long}" -eq 40000 ] || e2e_fail "the long password has ${#long} characters"
# data.enc then holds exactly that password, encoded, and CR LF.
"$E2E_PYTHON" -c 'import sys; sys.stdout.buffer.write(bytes(b ^ 0x80 for b in sys.argv[1].encode()) + b"\r\n")' \
  "$long" >"$E2E_ROOT/long-password.enc"
expect_long_password_file() {
  cmp -s "$folder/data.enc" "$E2E_ROOT/long-password.enc" ||
    e2e_fail "$1: data.enc holds $(stat -c %s "$folder/data.enc") bytes, not the 40,002 of the encoded password and CR LF (first difference: $(cmp "$folder/data.enc" "$E2E_ROOT/long-password.enc" 2>&1))"
}
e2e_new_folder
folder=$E2E_FOLDER
e2e_start "$folder"
e2e_expect_create_mode
e2e_paste_into "$TITLE_PASSWORD" 1 "$long"
e2e_paste_into "$TITLE_PASSWORD" 2 "$long"
e2e_key "$TITLE_PASSWORD" Return
e2e_wait_status "Password created successfully"
expect_long_password_file "data.enc after creating the long password"
e2e_exit_through_file_menu

e2e_start "$folder"
e2e_expect_check_mode
e2e_paste_into "$TITLE_PASSWORD" 1 "$long"
e2e_key "$TITLE_PASSWORD" Return
e2e_wait_status "Loaded 0 entries"
e2e_exit_through_file_menu
expect_long_password_file "data.enc after logging in with the long password"
e2e_case_passed

# -----------------------------------------------------------------------------
e2e_case "a first start ended with Cancel or the close box leaves the empty file"
e2e_new_folder
folder=$E2E_FOLDER
e2e_start "$folder"
e2e_expect_create_mode
e2e_type_into "$TITLE_PASSWORD" 1 "Secret1"
e2e_type_into "$TITLE_PASSWORD" 2 "Secret1"
e2e_click "$TITLE_PASSWORD" "push button" "Cancel"
e2e_expect_exit 0
e2e_expect_bytes "$folder/data.enc" "0d 0a" "data.enc after Cancel on the first start"

# Still no password: the next start is in create mode again.
e2e_start "$folder"
e2e_expect_create_mode
e2e_type_into "$TITLE_PASSWORD" 1 "Secret1"
e2e_close_box "$TITLE_PASSWORD"
e2e_expect_exit 0
e2e_expect_bytes "$folder/data.enc" "0d 0a" "data.enc after closing the dialog on the first start"
e2e_case_passed

e2e_summary
