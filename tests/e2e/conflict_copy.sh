#!/usr/bin/env bash
# End-to-end: a conflict copy is merged. A sync engine that found data.enc
# changed on two computers keeps one side's file as data.enc and puts the
# other side's beside it under a name of its own. At the next start Kestrune
# offers the copy in a summary; OK adds the entry only the copy holds, saves,
# and deletes the copy. Once with a written file, once with a sealed one whose
# copy was changed by the program in a second program folder. The test stands
# in for the sync engine by renaming the copy into place.
#
# Usage: conflict_copy.sh PATH-TO-Kestrune

# shellcheck source=lib.sh
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
e2e_begin "${1:-}"

readonly TITLE_MERGE="Merge: Summary"

# sync_in FROM NAME: the sync engine's rename of FROM into the first program
# folder under NAME.
sync_in() {
  cp "$1" "$first/.sync-tmp"
  mv "$first/.sync-tmp" "$first/$2"
}

# merge_at_login STATUS-AT-LOGIN COPY-NAME: the program starts in the first
# folder, offers the copy, and the user merges it with Enter (OK).
merge_at_login() {
  E2E_FOLDER=$first
  e2e_log_in "Secret1" "$1"
  e2e_wait_window "$TITLE_MERGE"
  e2e_expect_role "$TITLE_MERGE" "dialog"
  e2e_key "$TITLE_MERGE" Return
  e2e_wait_window_gone "$TITLE_MERGE"
  e2e_wait_status "Merged 1 entry from $2.  Data saved.  The copy is deleted."
  [ ! -e "$first/$2" ] || e2e_fail "the conflict copy $2 is still there after the merge"
}

# -----------------------------------------------------------------------------
e2e_case "a written conflict copy is merged at the start"
e2e_new_folder
first=$E2E_FOLDER
e2e_write_hex "$first/data.enc" "$(e2e_saved_file 'alice|||pw1|||example.com' \
  'bob|||pw2|||mail' 'dave|||pw4|||shop')"
copy="data.sync-conflict-20261209-122649-B6OSXHE.enc"
e2e_write_hex "$E2E_ROOT/other-side.enc" "$(e2e_saved_file 'alice|||pw1|||example.com' \
  'bob|||pw2|||mail' 'carol|||pw3|||www.carol.example')"
sync_in "$E2E_ROOT/other-side.enc" "$copy"
merge_at_login "Loaded 3 entries" "$copy"
e2e_expect_saved_file "after the merge" 'alice|||pw1|||example.com' 'bob|||pw2|||mail' \
  'dave|||pw4|||shop' 'carol|||pw3|||www.carol.example'
e2e_exit_through_file_menu
e2e_case_passed

# -----------------------------------------------------------------------------
e2e_case "a sealed conflict copy, changed by a second program, is merged at the start"
e2e_new_folder
first=$E2E_FOLDER
e2e_write_hex "$first/data.enc" "$(e2e_saved_file 'alice|||pw1|||example.com' 'bob|||pw2|||mail')"
e2e_log_in "Secret1" "Loaded 2 entries"
e2e_from_menu "File" "Encrypt Data File..."
e2e_wait_window "$TITLE_ENCRYPT"
e2e_click "$TITLE_ENCRYPT" "panel/push button" "OK"
e2e_wait_status "Data file encrypted: it now opens only with the master password."
e2e_exit_through_file_menu

# The other computer: the same sealed file, and an entry added there.
e2e_new_folder
second=$E2E_FOLDER
cp "$first/data.enc" "$second/data.enc"
e2e_log_in "Secret1" "Loaded 2 entries"
e2e_click "$TITLE_MAIN" "filler/push button" "Add"
e2e_wait_window "$TITLE_ADD"
e2e_type_into "$TITLE_ADD" 1 "carol"
e2e_type_into "$TITLE_ADD" 2 "pw3"
e2e_type_into "$TITLE_ADD" 3 "www.carol.example"
e2e_click "$TITLE_ADD" "push button" "Save"
e2e_wait_window_gone "$TITLE_ADD"
e2e_wait_status "Added new entry.  Data saved."
e2e_exit_through_file_menu

copy="data (conflicted copy 2026-12-09 101500).enc"
sync_in "$second/data.enc" "$copy"
merge_at_login "Loaded 2 entries" "$copy"
cells=$(e2e_list_cells)
case "|$cells|" in
*"|carol|pw3|www.carol.example|"*) ;;
*) e2e_fail "the list does not show the merged entry: $cells" ;;
esac
hex=$(e2e_hex "$first/data.enc")
[[ "$hex" == "$SEALED_START "* ]] || e2e_fail "data.enc is no longer sealed after the merge"
[[ "$hex" != *"$(e2e_encode 'carol|||pw3')"* ]] || e2e_fail "data.enc holds the merged entry in the clear"
e2e_exit_through_file_menu
e2e_log_in "Secret1" "Loaded 3 entries"
e2e_exit_through_file_menu
e2e_case_passed

e2e_summary
