#!/usr/bin/env bash
# End-to-end: working with entries. The user adds, sorts, edits, deletes and
# copies entries in the real program; after every change data.enc holds
# exactly the entries in the order shown, and the next start shows them so.
#
# Usage: entries.sh PATH-TO-Kestrune

# shellcheck source=lib.sh
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
e2e_begin "${1:-}"

readonly SAVED_STATUS="Added new entry.  Data saved."

expect_cells() {
  local cells
  cells=$(e2e_list_cells)
  [ "$cells" = "$1" ] || e2e_fail "the entry list shows '$cells', expected '$1'"
}

log_in() {
  e2e_log_in "Secret1" "$1"
}

# fill_entry_dialog TITLE USERNAME PASSWORD WEBSITE: types into the boxes of
# the entry dialog (empty texts are left out).
fill_entry_dialog() {
  e2e_wait_window "$1"
  [ -z "$2" ] || e2e_type_into "$1" 1 "$2"
  [ -z "$3" ] || e2e_type_into "$1" 2 "$3"
  [ -z "$4" ] || e2e_type_into "$1" 3 "$4"
}

# select_row TEXT: the user clicks the list cell showing TEXT.
select_row() {
  e2e_click "$TITLE_MAIN" "filler/tree/tree item" "$1"
}

# -----------------------------------------------------------------------------
e2e_case "add two entries, sort, edit one, delete one, copy a password, start again"
e2e_new_folder
e2e_write_hex "$E2E_FOLDER/data.enc" "$(e2e_encode 'Secret1') 0d 0a \
$(e2e_encode 'alice|||pw1|||example.com') 0d 0a $(e2e_encode 'bob|||pw2|||mail') 0d 0a 0d 0a"
log_in "Loaded 2 entries"

# Add with the Save button.
e2e_click "$TITLE_MAIN" "filler/push button" "Add"
fill_entry_dialog "$TITLE_ADD" "carol" "pw3" "www.carol.example"
e2e_click "$TITLE_ADD" "push button" "Save"
e2e_wait_window_gone "$TITLE_ADD"
e2e_wait_status "$SAVED_STATUS"
e2e_expect_saved_file "after the first add" 'alice|||pw1|||example.com' 'bob|||pw2|||mail' \
  'carol|||pw3|||www.carol.example'

# Add through Ctrl+N, saved with Enter in the website box, no website.
e2e_key "$TITLE_MAIN" ctrl+n
fill_entry_dialog "$TITLE_ADD" "Dave" "pw 4" ""
e2e_type_into "$TITLE_ADD" 3 ""
xdotool key Return
e2e_wait_window_gone "$TITLE_ADD"
e2e_wait_status "$SAVED_STATUS"
expect_cells "alice|pw1|example.com|bob|pw2|mail|carol|pw3|www.carol.example|Dave|pw 4|"

# A click on the Username header sorts descending, letter case ignored. Only
# the next save writes the new order.
e2e_click "$TITLE_MAIN" "filler/tree/column header" "Username"
expect_cells "Dave|pw 4||carol|pw3|www.carol.example|bob|pw2|mail|alice|pw1|example.com"
e2e_expect_saved_file "after the sort" 'alice|||pw1|||example.com' 'bob|||pw2|||mail' \
  'carol|||pw3|||www.carol.example' 'Dave|||pw 4|||'

# Edit carol: the dialog shows her entry; a changed password is saved in the
# order shown.
select_row "carol"
e2e_click "$TITLE_MAIN" "filler/push button" "Edit"
e2e_wait_window "$TITLE_EDIT"
e2e_wait_flag "$TITLE_EDIT" text "" 2 "chars=3"
e2e_type_into "$TITLE_EDIT" 2 "X"
e2e_click "$TITLE_EDIT" "push button" "Save"
e2e_wait_window_gone "$TITLE_EDIT"
e2e_wait_status "$SAVED_STATUS"
e2e_expect_saved_file "after the edit" 'Dave|||pw 4|||' 'carol|||pw3X|||www.carol.example' \
  'bob|||pw2|||mail' 'alice|||pw1|||example.com'

# Delete bob with the Delete key; Cancel first keeps him.
select_row "bob"
e2e_key "$TITLE_MAIN" Delete
e2e_wait_window "$TITLE_CONFIRM"
# (the snapshot writes line breaks as \n)
e2e_wait_text "$TITLE_CONFIRM" "panel/push button" "OK"
e2e_snapshot | grep -qF "$(printf '%s\tlabel\t%s' "$TITLE_CONFIRM" \
  'Are you sure you want to delete the following information?\n\nUsername: bob\nPassword: pw2\nUsed At: mail')" ||
  e2e_fail "the Confirm Delete box does not show bob's three fields"
e2e_click "$TITLE_CONFIRM" "panel/push button" "Cancel"
e2e_wait_window_gone "$TITLE_CONFIRM"
e2e_wait_status "Entry not deleted, cancelled by user"
select_row "bob"
e2e_click "$TITLE_MAIN" "filler/push button" "Delete"
e2e_wait_window "$TITLE_CONFIRM"
e2e_click "$TITLE_CONFIRM" "panel/push button" "OK"
e2e_wait_window_gone "$TITLE_CONFIRM"
e2e_wait_status "Entry deleted successfully, data saved."
e2e_expect_saved_file "after the delete" 'Dave|||pw 4|||' 'carol|||pw3X|||www.carol.example' \
  'alice|||pw1|||example.com'

# Ctrl+C copies the selected password, marked as a secret for clipboard
# history tools, and the status line repeats it.
select_row "alice"
e2e_key "$TITLE_MAIN" ctrl+c
e2e_wait_status "Copied Password pw1"
copied=$(timeout 5 xclip -selection clipboard -o 2>/dev/null || true)
[ "$copied" = "pw1" ] || e2e_fail "the clipboard holds '$copied', expected pw1"
targets=$(timeout 5 xclip -selection clipboard -o -t TARGETS 2>/dev/null || true)
case "$targets" in
*x-kde-passwordManagerHint*) ;;
*) e2e_fail "the copied password carries no x-kde-passwordManagerHint: $targets" ;;
esac

e2e_exit_through_file_menu
log_in "Loaded 3 entries"
expect_cells "Dave|pw 4||carol|pw3X|www.carol.example|alice|pw1|example.com"
e2e_exit_through_file_menu
e2e_expect_saved_file "after the second run" 'Dave|||pw 4|||' 'carol|||pw3X|||www.carol.example' \
  'alice|||pw1|||example.com'
e2e_case_passed

# -----------------------------------------------------------------------------
e2e_case "Go To hands a hostile location to the opener and runs nothing else"
e2e_new_folder
marker="$E2E_ROOT/ran-a-shell"
e2e_write_hex "$E2E_FOLDER/data.enc" "$(e2e_encode 'Secret1') 0d 0a \
$(e2e_encode "a|||b|||example.com; touch $marker") 0d 0a \
$(e2e_encode "c|||d|||\$(touch $marker)") 0d 0a 0d 0a"
log_in "Loaded 2 entries"
for row in a c; do
  select_row "$row"
  e2e_key "$TITLE_MAIN" ctrl+shift+u
  if [ "$row" = c ]; then
    # No web address and no folder: Go To shows the exact target and asks
    # first. OK hands it on all the same.
    e2e_wait_window "$TITLE_MESSAGE"
    e2e_snapshot | grep -qF "$(printf '%s\tlabel\t%s' "$TITLE_MESSAGE" \
      "Open this location?\\n\\n\$(touch $marker)")" ||
      e2e_fail "Go To does not show the location before it opens it"
    e2e_click "$TITLE_MESSAGE" "panel/push button" "OK"
    e2e_wait_window_gone "$TITLE_MESSAGE"
  fi
  sleep 1
  e2e_expect_running
done
[ ! -e "$marker" ] || e2e_fail "a location ran a shell command"
e2e_exit_through_file_menu
e2e_case_passed

e2e_summary
