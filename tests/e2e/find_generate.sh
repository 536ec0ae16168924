#!/usr/bin/env bash
# End-to-end: finding an entry and generating a password, from the keyboard
# and the mouse. Ctrl+F opens the Find window; Enter in it selects the next
# entry whose username or location holds the text; a text found nowhere is
# named on the status line. In the entry dialog Ctrl+G and the Generate button
# fill the password box with 20 new characters, and Save stores exactly those
# in data.enc. Data > Password Report... lists the weak entries, and Enter on
# its first row opens that entry in the entry dialog.
#
# Usage: find_generate.sh PATH-TO-Kestrune

# shellcheck source=lib.sh
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
e2e_begin "${1:-}"

readonly TITLE_REPORT="Password Report"

# The characters a generated password is made of.
readonly GENERATED='^[!-~]{20}$'
readonly EXCLUDED='[|lIO01 ]'

# password_box_text: what the entry dialog's password box holds.
password_box_text() {
  "$E2E_PYTHON" "$E2E_HERE/desktop.py" text "$TITLE_ADD" text "" 2
}

expect_generated() {
  [[ $1 =~ $GENERATED ]] || e2e_fail "the password box holds '$1', not 20 printable characters"
  [[ ! $1 =~ $EXCLUDED ]] || e2e_fail "the generated password '$1' holds an excluded character"
}

# -----------------------------------------------------------------------------
e2e_case "Ctrl+F, type, Enter selects the row; a text found nowhere is named"
e2e_new_folder
e2e_write_hex "$E2E_FOLDER/data.enc" "$(e2e_encode 'Secret1') 0d 0a \
$(e2e_encode 'alice|||pw1|||example.com') 0d 0a $(e2e_encode 'bob|||pw2|||mail.example.org') 0d 0a \
$(e2e_encode 'carol|||pw3|||intranet') 0d 0a 0d 0a"
e2e_log_in "Secret1" "Loaded 3 entries"

e2e_key "$TITLE_MAIN" ctrl+f
e2e_wait_window "$TITLE_FIND"
# A screen reader announces the Find window as a dialog, over the main window.
e2e_expect_role "$TITLE_FIND" dialog
e2e_expect_role "$TITLE_MAIN" frame
e2e_type_into "$TITLE_FIND" 1 "MAIL"
xdotool key Return
# The row found is the selected one: Ctrl+C in the main window copies its password.
e2e_key "$TITLE_MAIN" ctrl+c
e2e_wait_status "Copied Password pw2"

# A password is never searched; the status line names the text.
e2e_focus "$TITLE_FIND"
xdotool key ctrl+a BackSpace
e2e_type_into "$TITLE_FIND" 1 "pw3"
xdotool key Return
e2e_wait_status 'Cannot find "pw3".'

# Esc closes the window.
xdotool key Escape
e2e_wait_window_gone "$TITLE_FIND"
e2e_exit_through_file_menu
e2e_case_passed

# -----------------------------------------------------------------------------
e2e_case "Ctrl+G and Generate fill the password box; Save stores those 20 characters"
e2e_new_folder
e2e_write_hex "$E2E_FOLDER/data.enc" "$(e2e_encode 'Secret1') 0d 0a 0d 0a"
e2e_log_in "Secret1" "Loaded 0 entries"

e2e_key "$TITLE_MAIN" ctrl+n
e2e_wait_window "$TITLE_ADD"
e2e_expect_role "$TITLE_ADD" dialog
e2e_type_into "$TITLE_ADD" 1 "dave"
e2e_type_into "$TITLE_ADD" 3 "dave.example"
xdotool key ctrl+g
e2e_wait_flag "$TITLE_ADD" text "" 2 "chars=20"
first=$(password_box_text)
expect_generated "$first"
# Nothing is saved before Save.
e2e_expect_bytes "$E2E_FOLDER/data.enc" "$(e2e_encode 'Secret1') 0d 0a 0d 0a" "data.enc before Save"

e2e_click "$TITLE_ADD" "push button" "Generate"
for _ in $(seq $((E2E_TIMEOUT * 4))); do
  second=$(password_box_text)
  [ "$second" = "$first" ] || break
  sleep 0.25
done
expect_generated "$second"
[ "$second" != "$first" ] || e2e_fail "Generate left the password '$first' as it was"

e2e_click "$TITLE_ADD" "push button" "Save"
e2e_wait_window_gone "$TITLE_ADD"
e2e_wait_status "Added new entry.  Data saved."
e2e_expect_bytes "$E2E_FOLDER/data.enc" "$(e2e_encode 'Secret1') 0d 0a \
$(e2e_encode "dave|||$second|||dave.example") 0d 0a 0d 0a" "data.enc after Save"
e2e_exit_through_file_menu
e2e_case_passed

# -----------------------------------------------------------------------------
e2e_case "Data > Password Report...: Enter on the first row opens that entry for editing"
e2e_new_folder
e2e_write_hex "$E2E_FOLDER/data.enc" "$(e2e_encode 'Secret1') 0d 0a \
$(e2e_encode 'alice|||Vq8#kR2!mZt7$Lw9pXe4|||example.com') 0d 0a \
$(e2e_encode 'bob|||sunshine|||mail.example.org') 0d 0a \
$(e2e_encode 'carol|||umbrella quietly forgets the violet lighthouse|||intranet') 0d 0a 0d 0a"
e2e_log_in "Secret1" "Loaded 3 entries"

e2e_from_menu "Data" "Password Report..."
e2e_wait_window "$TITLE_REPORT"
e2e_expect_role "$TITLE_REPORT" dialog
e2e_wait_text "$TITLE_REPORT" label "1 of 3 passwords needs attention."
e2e_key "$TITLE_REPORT" Return
e2e_wait_window "$TITLE_EDIT"
[ "$("$E2E_PYTHON" "$E2E_HERE/desktop.py" text "$TITLE_EDIT" text "" 1)" = bob ] ||
  e2e_fail "the entry dialog does not show bob, the first row of the report"
[ "$("$E2E_PYTHON" "$E2E_HERE/desktop.py" text "$TITLE_EDIT" text "" 2)" = sunshine ] ||
  e2e_fail "the entry dialog does not show bob's password"
e2e_close_box "$TITLE_EDIT"
e2e_wait_window_gone "$TITLE_EDIT"
e2e_exit_through_file_menu
e2e_case_passed

e2e_summary
