#!/usr/bin/env bash
# End-to-end: the sealed data file. The user encrypts data.enc through the File
# menu; the file then holds no entry in the clear, the next start opens it with
# the master password, an added entry keeps it sealed, and removing the
# encryption leaves exactly the written layout of the entries shown.
#
# Usage: sealed.sh PATH-TO-Kestrune

# shellcheck source=lib.sh
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
e2e_begin "${1:-}"

# answer_ok TITLE: the confirmation TITLE shows; the user clicks OK.
answer_ok() {
  e2e_wait_window "$1"
  e2e_wait_text "$1" "panel/push button" "OK"
  e2e_click "$1" "panel/push button" "OK"
  e2e_wait_window_gone "$1"
}

expect_sealed() {
  local hex
  hex=$(e2e_hex "$E2E_FOLDER/data.enc")
  case "$hex" in
  "$SEALED_START "*) ;;
  *) e2e_fail "$1: data.enc does not start as a sealed file: ${hex:0:80}" ;;
  esac
  for secret in 'alice|||pw1' 'carol|||pw3' 'Secret1'; do
    case "$hex" in
    *"$(e2e_encode "$secret")"*) e2e_fail "$1: data.enc holds '$secret' in the clear" ;;
    esac
  done
}

# -----------------------------------------------------------------------------
e2e_case "encrypt through the menu, start again and get in, add, remove the encryption"
e2e_new_folder
e2e_write_hex "$E2E_FOLDER/data.enc" "$(e2e_encode 'Secret1') 0d 0a \
$(e2e_encode 'alice|||pw1|||example.com') 0d 0a $(e2e_encode 'bob|||pw2|||mail') 0d 0a 0d 0a"
e2e_log_in "Secret1" "Loaded 2 entries"

e2e_from_menu "File" "Encrypt Data File..."
answer_ok "$TITLE_ENCRYPT"
e2e_wait_status "Data file encrypted: it now opens only with the master password."
expect_sealed "after Encrypt"
e2e_exit_through_file_menu

e2e_log_in "Secret1" "Loaded 2 entries"
e2e_click "$TITLE_MAIN" "filler/push button" "Add"
e2e_wait_window "Add an entry"
e2e_type_into "Add an entry" 1 "carol"
e2e_type_into "Add an entry" 2 "pw3"
e2e_type_into "Add an entry" 3 "www.carol.example"
e2e_click "Add an entry" "push button" "Save"
e2e_wait_window_gone "Add an entry"
e2e_wait_status "Added new entry.  Data saved."
expect_sealed "after the add"

e2e_from_menu "File" "Remove Encryption..."
answer_ok "$TITLE_REMOVE"
e2e_wait_status "Encryption removed: the data file can now be read without the master password."
e2e_expect_bytes "$E2E_FOLDER/data.enc" "$(e2e_encode 'Secret1') 0d 0a \
$(e2e_encode 'alice|||pw1|||example.com') 0d 0a $(e2e_encode 'bob|||pw2|||mail') 0d 0a \
$(e2e_encode 'carol|||pw3|||www.carol.example') 0d 0a 0d 0a" "data.enc after Remove Encryption"
e2e_exit_through_file_menu
e2e_case_passed

e2e_summary
