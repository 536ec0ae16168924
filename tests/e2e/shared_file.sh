#!/usr/bin/env bash
# End-to-end: two computers over one data file. Two program folders, each
# with its own runtime folder (its own lock), have a data.enc that links to
# one shared file, as a synced folder would hold it. Both programs run at the
# same time; an entry added on either side reaches the other's list without a
# restart; a change from outside (a new file renamed into place, as a sync
# engine writes) followed by an add on this side keeps both. Once with a
# plain file, once with a sealed one.
#
# Usage: shared_file.sh PATH-TO-Kestrune

# shellcheck source=lib.sh
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
e2e_begin "${1:-}"
# shellcheck source=two_sides.sh
source "$(dirname "${BASH_SOURCE[0]}")/two_sides.sh"
e2e_sides_begin

# expect_links: both program folders' data.enc are still links.
expect_links() {
  [ -L "${E2E_SIDE_A[E2E_FOLDER]:-$E2E_FOLDER}/data.enc" ] || e2e_fail "side A's data.enc is no longer a link"
  [ -L "${E2E_SIDE_B[E2E_FOLDER]:-$E2E_FOLDER}/data.enc" ] || e2e_fail "side B's data.enc is no longer a link"
}

# start_both SHARED: a program on each side over the shared file, logged in.
start_both() {
  e2e_side A
  e2e_new_linked_folder "$1"
  e2e_log_in "Secret1" "Loaded 2 entries"
  e2e_side B
  e2e_new_linked_folder "$1"
  e2e_log_in "Secret1" "Loaded 2 entries"
}

exit_both() {
  e2e_side A
  e2e_exit_through_file_menu
  e2e_side B
  e2e_exit_through_file_menu
  e2e_side A
}

# -----------------------------------------------------------------------------
e2e_case "plain: an add on each side reaches the other; an outside change and an add both survive"
mkdir "$E2E_ROOT/shared-plain"
SHARED="$E2E_ROOT/shared-plain/data.enc"
e2e_write_hex "$SHARED" "$(e2e_saved_file 'alice|||pw1|||example.com' 'bob|||pw2|||mail')"
start_both "$SHARED"

e2e_sides_add_on_each

# While A's entry dialog is open, the sync engine brings a change: the file is
# written beside the shared one and renamed over it. A waits; its add is then
# made on the new content.
e2e_click "$TITLE_MAIN" "filler/push button" "Add"
e2e_wait_window "$TITLE_ADD"
e2e_type_into "$TITLE_ADD" 1 "erin"
e2e_type_into "$TITLE_ADD" 2 "pw5"
e2e_write_hex "$SHARED.sync-tmp" "$(e2e_saved_file 'alice|||pw1|||example.com' 'bob|||pw2|||mail' \
  'carol|||pw3|||' 'dave|||pw4|||' 'frank|||pw6|||far')"
mv "$SHARED.sync-tmp" "$SHARED"
sleep 1
e2e_expect_cells "alice|pw1|example.com|bob|pw2|mail|carol|pw3||dave|pw4|"
e2e_click "$TITLE_ADD" "push button" "Save"
e2e_wait_window_gone "$TITLE_ADD"
e2e_wait_status "Added new entry.  Data saved."
e2e_expect_cells "alice|pw1|example.com|bob|pw2|mail|carol|pw3||dave|pw4||frank|pw6|far|erin|pw5|"
e2e_side B
e2e_wait_status "$RELOADED  6 entries."
e2e_expect_cells "alice|pw1|example.com|bob|pw2|mail|carol|pw3||dave|pw4||frank|pw6|far|erin|pw5|"
e2e_expect_bytes "$SHARED" "$(e2e_saved_file 'alice|||pw1|||example.com' 'bob|||pw2|||mail' \
  'carol|||pw3|||' 'dave|||pw4|||' 'frank|||pw6|||far' 'erin|||pw5|||')" "the shared file"
expect_links
exit_both
e2e_case_passed

# -----------------------------------------------------------------------------
e2e_case "sealed: sealed on one side, opened on the other; adds reach both; an add onto the other's change keeps both"
mkdir "$E2E_ROOT/shared-sealed"
SHARED="$E2E_ROOT/shared-sealed/data.enc"
e2e_write_hex "$SHARED" "$(e2e_saved_file 'alice|||pw1|||example.com' 'bob|||pw2|||mail')"
start_both "$SHARED"

e2e_side A
e2e_from_menu "File" "Encrypt Data File..."
e2e_wait_window "$TITLE_ENCRYPT"
e2e_click "$TITLE_ENCRYPT" "panel/push button" "OK"
e2e_wait_status "Data file encrypted: it now opens only with the master password."
head -c 17 "$SHARED" | grep -q "KESTRUNE SEALED 1" || e2e_fail "the shared file is not sealed"
# B makes the key of the new salt from its master password, and reads it.
e2e_side B
e2e_wait_status "$RELOADED  2 entries."
e2e_add_entry carol pw3
e2e_side A
e2e_wait_status "$RELOADED  3 entries."
e2e_expect_cells "alice|pw1|example.com|bob|pw2|mail|carol|pw3|"

# A's entry dialog is open while B adds an entry: A's add is made on the file
# as B left it, with the key in hand.
e2e_click "$TITLE_MAIN" "filler/push button" "Add"
e2e_wait_window "$TITLE_ADD"
e2e_type_into "$TITLE_ADD" 1 "erin"
e2e_type_into "$TITLE_ADD" 2 "pw5"
e2e_side B
e2e_add_entry dave pw4
e2e_side A
sleep 1
e2e_expect_cells "alice|pw1|example.com|bob|pw2|mail|carol|pw3|"
e2e_click "$TITLE_ADD" "push button" "Save"
e2e_wait_window_gone "$TITLE_ADD"
e2e_wait_status "Added new entry.  Data saved."
e2e_expect_cells "alice|pw1|example.com|bob|pw2|mail|carol|pw3||dave|pw4||erin|pw5|"
e2e_side B
e2e_wait_status "$RELOADED  5 entries."
e2e_expect_cells "alice|pw1|example.com|bob|pw2|mail|carol|pw3||dave|pw4||erin|pw5|"
head -c 17 "$SHARED" | grep -q "KESTRUNE SEALED 1" || e2e_fail "the shared file is no longer sealed"
expect_links
exit_both
e2e_case_passed

e2e_summary
