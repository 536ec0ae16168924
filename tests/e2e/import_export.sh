#!/usr/bin/env bash
# End-to-end: import and export. The user imports a KeePassXC file and a file
# of no known layout through File > Import..., with the keyboard in every
# dialog; after a restart the entries are in data.enc. Then File > Export...
# writes them all to a CSV file readable by its owner only.
#
# Usage: import_export.sh PATH-TO-Kestrune

# shellcheck source=lib.sh
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
e2e_begin "${1:-}"

# name_file TITLE PATH: in the file dialog TITLE the user types PATH over the
# name offered and presses Enter.
name_file() {
  e2e_wait_window "$1"
  e2e_key "$1" ctrl+a
  xdotool type --delay 20 "$2"
  xdotool key Return
  e2e_wait_window_gone "$1"
}

# -----------------------------------------------------------------------------
e2e_case "import a KeePassXC file and a file of columns chosen by the user, start again"
e2e_new_folder
e2e_write_hex "$E2E_FOLDER/data.enc" "$(e2e_encode 'Secret1') 0d 0a \
$(e2e_encode 'alice|||pw1|||example.com') 0d 0a 0d 0a"
keepass="$E2E_ROOT/keepass.csv"
printf '%s\n' '"Group","Title","Username","Password","URL","Notes","TOTP","Icon","Last Modified","Created"' \
  '"Root","Mail","bob","pw,2","https://mail.example.org/","a note","","0","2024-01-02T10:00:00Z","2023-05-06T07:08:09Z"' \
  '"Root","Web","alice","pw1","example.com","","","0","2024-01-02T10:00:00Z","2023-05-06T07:08:09Z"' \
  '"Root","Bank","","pw3","bank.example","","","0","2024-01-02T10:00:00Z","2023-05-06T07:08:09Z"' >"$keepass"
e2e_log_in "Secret1" "Loaded 1 entries"

e2e_from_menu "File" "Import..."
name_file "$TITLE_OPEN" "$keepass"
e2e_wait_window "$TITLE_SUMMARY"
# The focus starts on OK: Enter imports.
e2e_key "$TITLE_SUMMARY" Return
e2e_wait_window_gone "$TITLE_SUMMARY"
e2e_wait_status "Imported 2 entries.  Data saved."
e2e_expect_saved_file "after the first import" 'alice|||pw1|||example.com' \
  'bob|||pw,2|||https://mail.example.org/' 'Bank|||pw3|||bank.example'

# No known layout: the username column is found by its name, the password
# column is the next one; Tab twice and Down four times pick the location.
sheet="$E2E_ROOT/sheet.csv"
printf 'Login;Secret;Note;Where\r\ncarol;pw4;x;www.carol.example\r\n' >"$sheet"
e2e_from_menu "File" "Import..."
name_file "$TITLE_OPEN" "$sheet"
e2e_wait_window "$TITLE_COLUMNS"
e2e_wait_text "$TITLE_COLUMNS" "table/cell" "********"
e2e_key "$TITLE_COLUMNS" Tab Tab Down Down Down Down Return
e2e_wait_window_gone "$TITLE_COLUMNS"
e2e_wait_window "$TITLE_SUMMARY"
e2e_key "$TITLE_SUMMARY" Return
e2e_wait_status "Imported 1 entry.  Data saved."

e2e_exit_through_file_menu
e2e_log_in "Secret1" "Loaded 4 entries"
e2e_expect_saved_file "after the restart" 'alice|||pw1|||example.com' \
  'bob|||pw,2|||https://mail.example.org/' 'Bank|||pw3|||bank.example' \
  'carol|||pw4|||www.carol.example'

# -----------------------------------------------------------------------------
# Export: the warning first, then the save dialog; the file holds every entry.
e2e_from_menu "File" "Export..."
e2e_wait_window "$TITLE_EXPORT"
e2e_key "$TITLE_EXPORT" Return
exported="$E2E_ROOT/out/kestrune-export.csv"
mkdir -p "$E2E_ROOT/out"
name_file "$TITLE_SAVE" "$exported"
e2e_wait_status "Exported 4 entries to $exported"
want=$(printf '%s\r\n' 'name,url,username,password' 'example.com,example.com,alice,pw1' \
  'mail.example.org,https://mail.example.org/,bob,"pw,2"' 'bank.example,bank.example,Bank,pw3' \
  'www.carol.example,www.carol.example,carol,pw4' | od -An -v -tx1 | tr -s ' \n' '  ' |
  sed 's/^ *//; s/ *$//')
e2e_expect_bytes "$exported" "$want" "the export"
e2e_expect_mode "$exported" 600
e2e_exit_through_file_menu
e2e_case_passed

e2e_summary
