#!/usr/bin/env bash
# End-to-end: one data file, one writer. A second copy started over the same
# folder is turned away without touching data.enc (its lock lies in the
# runtime folder, not beside the file); a data.enc of another vault put in
# place while the program runs is never overwritten; a copy that was killed
# or ended at once never blocks the next start; and the running program's
# memory is closed to core files and to other programs.
#
# Usage: one_writer.sh PATH-TO-Kestrune

# shellcheck source=lib.sh
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
e2e_begin "${1:-}"
command -v setpriv >/dev/null || e2e_missing "setpriv is not installed (util-linux)"

# The master password "Secret1" and two entries, as the program saves them.
SAVED_FILE=$(e2e_saved_file 'alice|||pw1|||example.com' 'bob|||pw2|||mail')
readonly SAVED_FILE

new_folder_with_saved_file() {
  e2e_new_folder
  e2e_write_hex "$E2E_FOLDER/data.enc" "$SAVED_FILE"
  chmod 0600 "$E2E_FOLDER/data.enc"
}

# The names in the program folder besides the program: no temporary file
# left behind.
expect_folder_holds() {
  local names
  names=$(cd "$E2E_FOLDER" && ls -A | grep -vx Kestrune | tr '\n' ' ')
  [ "$names" = "$1" ] || e2e_fail "the program folder holds '$names', expected '$1'"
}

# expect_message TEXT: a message box titled "Kestrune" shows TEXT, its line
# breaks written as \n (compared as plain text: awk would read the \n).
expect_message() {
  local _
  e2e_wait_window "$TITLE_MESSAGE"
  for _ in $(seq $((E2E_TIMEOUT * 4))); do
    e2e_snapshot | grep -qF "$(printf '%s\tlabel\t%s\t' "$TITLE_MESSAGE" "$1")" && return 0
    sleep 0.25
  done
  e2e_fail "the message box does not say: $1"
}

# -----------------------------------------------------------------------------
e2e_case "a second copy over the same data file is turned away and writes nothing"
new_folder_with_saved_file
e2e_log_in "Secret1" "Loaded 2 entries"
expect_folder_holds "data.enc "
ls "$XDG_RUNTIME_DIR"/kestrune-*.lock >/dev/null 2>&1 || e2e_fail "no lock in the runtime folder"
e2e_set_aside

e2e_start
expect_message "Kestrune is already running with this data file.\n\n$E2E_FOLDER/data.enc\n\nUse the copy of Kestrune that is running.  This one will close; it has not read or changed the file."
e2e_expect_no_window "$TITLE_PASSWORD"
# The only window of the second copy: no window kept on top may hide it.
xprop -id "$(e2e_window_id "$TITLE_MESSAGE")" _NET_WM_STATE | grep -q _NET_WM_STATE_ABOVE ||
  e2e_fail "the second copy's message is not kept above other windows"
e2e_key "$TITLE_MESSAGE" Return
e2e_expect_exit 0
e2e_expect_bytes "$E2E_FOLDER/data.enc" "$SAVED_FILE" "data.enc after the second copy"

# The first copy goes on working, and lets go of the lock when it ends.
e2e_take_back
e2e_expect_running
e2e_wait_status "Loaded 2 entries"
e2e_exit_through_file_menu
expect_folder_holds "data.enc "
e2e_case_passed

# -----------------------------------------------------------------------------
e2e_case "a data.enc of another vault put in place from outside is not overwritten by an add"
new_folder_with_saved_file
e2e_log_in "Secret1" "Loaded 2 entries"
e2e_click "$TITLE_MAIN" "filler/push button" "Add"
e2e_wait_window "$TITLE_ADD"
# Another program rewrites the file in place, same size: another master
# password, one letter changed. While the entry dialog is open the program
# does not read it again.
OUTSIDE_FILE="$(e2e_encode 'Secret2') 0d 0a"
OUTSIDE_FILE+=" $(e2e_encode 'alice|||pw9|||example.com') 0d 0a"
OUTSIDE_FILE+=" $(e2e_encode 'bob|||pw2|||mail') 0d 0a 0d 0a"
readonly OUTSIDE_FILE
e2e_write_hex "$E2E_FOLDER/data.enc" "$OUTSIDE_FILE"

e2e_type_into "$TITLE_ADD" 1 "carol"
e2e_type_into "$TITLE_ADD" 2 "pw3"
e2e_click "$TITLE_ADD" "push button" "Save"
expect_message "The data file has been changed by another program since Kestrune read it.  Nothing was overwritten: this change has not been saved.\n\n$E2E_FOLDER/data.enc\n\nClose Kestrune and start it again to load the file as it is now."
e2e_key "$TITLE_MESSAGE" Return
e2e_wait_window_gone "$TITLE_MESSAGE"
e2e_expect_bytes "$E2E_FOLDER/data.enc" "$OUTSIDE_FILE" "data.enc after the refused add"
expect_folder_holds "data.enc "
# The entry dialog stays with what was typed; the list and the status line
# are as before the add.
e2e_wait_flag "$TITLE_ADD" text "" 1 "chars=5"
e2e_wait_flag "$TITLE_ADD" text "" 2 "chars=3"
cells=$(e2e_list_cells)
[ "$cells" = "alice|pw1|example.com|bob|pw2|mail" ] || e2e_fail "the entry list shows '$cells'"
e2e_wait_status "Loaded 2 entries"
e2e_click "$TITLE_ADD" "push button" "Cancel"
e2e_wait_window_gone "$TITLE_ADD"
# Now the program reads the file again: another vault's, so nothing is
# loaded, and the user is told.
expect_message "The data file has been replaced by another program with a file that your master password does not open.\n\n$E2E_FOLDER/data.enc\n\nKestrune has not loaded it and will not save over it: your changes cannot be saved until your own data file is back in its place."
e2e_key "$TITLE_MESSAGE" Return
e2e_wait_window_gone "$TITLE_MESSAGE"
e2e_wait_status "Not reloaded: the data file does not open with your master password."
cells=$(e2e_list_cells)
[ "$cells" = "alice|pw1|example.com|bob|pw2|mail" ] || e2e_fail "the entry list shows '$cells'"
e2e_exit_through_file_menu
e2e_expect_bytes "$E2E_FOLDER/data.enc" "$OUTSIDE_FILE" "data.enc after File > Exit"

# Started again, the program loads the file as it is now.
e2e_log_in "Secret2" "Loaded 2 entries"
cells=$(e2e_list_cells)
[ "$cells" = "alice|pw9|example.com|bob|pw2|mail" ] || e2e_fail "the entry list shows '$cells'"
e2e_exit_through_file_menu
e2e_case_passed

# -----------------------------------------------------------------------------
e2e_case "a copy killed, and one ended through Cancel, never block the next start"
new_folder_with_saved_file
e2e_start
e2e_expect_check_mode
kill -KILL "$E2E_PROGRAM_PID"
e2e_expect_exit 137
expect_folder_holds "data.enc "

e2e_start
e2e_expect_check_mode
e2e_expect_no_window "$TITLE_MESSAGE"
e2e_click "$TITLE_PASSWORD" "push button" "Cancel"
e2e_expect_exit 0
expect_folder_holds "data.enc "

e2e_log_in "Secret1" "Loaded 2 entries"
e2e_exit_through_file_menu
e2e_expect_bytes "$E2E_FOLDER/data.enc" "$SAVED_FILE" "data.enc after the three starts"
e2e_case_passed

# -----------------------------------------------------------------------------
e2e_case "the running program is not dumpable, and a folder without a lock starts"
# The program runs as another user (nobody) in a folder it may read but not
# write: no lock file can be made there, and it starts all the same. The
# kernel hands the files under /proc of a process that is not dumpable to
# root; those of an ordinary process belong to the user running it.
new_folder_with_saved_file
chmod 0644 "$E2E_FOLDER/data.enc"
chmod 0711 "$E2E_ROOT"
E2E_PROGRAM_WRAPPER="setpriv --reuid=65534 --regid=65534 --clear-groups" e2e_start
e2e_wait_window "$TITLE_PASSWORD"
[ "$(ps -o uid= -p "$E2E_PROGRAM_PID" | tr -d ' ')" = 65534 ] ||
  e2e_fail "the program does not run as uid 65534"
owner=$(stat -c %u "/proc/$E2E_PROGRAM_PID/environ")
[ "$owner" = 0 ] || e2e_fail "/proc/$E2E_PROGRAM_PID/environ belongs to uid $owner: the process is dumpable"
e2e_expect_no_window "$TITLE_MESSAGE"
e2e_expect_running
expect_folder_holds "data.enc "
e2e_stop
e2e_expect_bytes "$E2E_FOLDER/data.enc" "$SAVED_FILE" "data.enc after the start without a lock"
e2e_case_passed

e2e_summary
