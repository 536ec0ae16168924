#!/usr/bin/env bash
# End-to-end under a real window manager (openbox), as on a desktop: the
# windows get frames from it, and it decides which window is active. Checks
# the entry list's size at the first show and after a resize against the
# layout rule of the main window, and Enter on a focused button of the
# password dialog, the main window and the entry dialog.
#
# Usage: window_manager.sh PATH-TO-Kestrune

# shellcheck disable=SC2034 # read by lib.sh
E2E_WINDOW_MANAGER=openbox
# shellcheck source=lib.sh
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
e2e_begin "${1:-}"

# outer_size TITLE: "W H", the outer size of the window in pixels: its client
# area and the frame the window manager put around it.
outer_size() {
  local id left right top bottom width height
  id=$(e2e_window_id "$1")
  [ -n "$id" ] || e2e_fail "no window titled '$1'"
  IFS=', ' read -r left right top bottom <<<"$(xprop -id "$id" _NET_FRAME_EXTENTS | sed -n 's/.*= *//p')"
  [ -n "$bottom" ] || e2e_fail "the window '$1' has no frame from the window manager"
  width=$(xwininfo -id "$id" | sed -n 's/^ *Width: *//p')
  height=$(xwininfo -id "$id" | sed -n 's/^ *Height: *//p')
  echo "$((width + left + right)) $((height + top + bottom))"
}

# twips_to_pixels N / pixels_to_twips N: at the 96 dots per inch of the test
# screen, 15 twips are a pixel; halves round away from zero.
twips_to_pixels() { echo $(((${1#-} * 2 + 15) / 30)); }
pixels_to_twips() { echo $(($1 * 15)); }

# rule_list_size W H: "w h", the size the layout rule gives the entry list for
# a window of outer size W x H pixels: W - 2 * left by H - top - 1000 twips,
# as absolute values, with the list's design left of 60 and top of 1980.
rule_list_size() {
  local w h
  w=$(($(pixels_to_twips "$1") - 2 * 60))
  h=$(($(pixels_to_twips "$2") - 1980 - 1000))
  echo "$(twips_to_pixels "$w") $(twips_to_pixels "$h")"
}

# list_size: "w h", the size of the entry list as the program shows it.
list_size() {
  e2e_snapshot | awk -F '\t' -v t="$TITLE_MAIN" '$1 == t && $2 == "filler/tree" { split($5, p, ","); print p[3], p[4]; exit }'
}

# expect_list_follows_the_rule WHEN: the entry list has the size the rule
# gives for the window's present outer size.
expect_list_follows_the_rule() {
  local _ outer want got=""
  for _ in $(seq $((E2E_TIMEOUT * 4))); do
    # shellcheck disable=SC2046 # two numbers
    outer=$(outer_size "$TITLE_MAIN")
    # shellcheck disable=SC2086 # two numbers
    want=$(rule_list_size $outer)
    got=$(list_size)
    [ "$got" != "$want" ] || return 0
    sleep 0.25
  done
  e2e_fail "$1: the window's outer size is $outer, so the list should be $want, but it is '$got'"
}

e2e_case "the password dialog is framed; Enter on the focused Ok runs Ok"
e2e_new_folder
e2e_start
e2e_expect_create_mode
outer_size "$TITLE_PASSWORD" >/dev/null
e2e_type_into "$TITLE_PASSWORD" 1 "Secret1"
e2e_type_into "$TITLE_PASSWORD" 2 "Secret1"
# From the retype box, Tab goes round to Ok, the first in the tab order.
e2e_key "$TITLE_PASSWORD" Tab
e2e_wait_flag "$TITLE_PASSWORD" "push button" "Ok" 1 focused
e2e_key "$TITLE_PASSWORD" Return
e2e_wait_status "Password created successfully"
e2e_wait_window_gone "$TITLE_PASSWORD"
e2e_case_passed

e2e_case "the entry list has the rule's size at the first show and after a resize"
e2e_wait_window "$TITLE_MAIN"
expect_list_follows_the_rule "at the first show"
xdotool windowsize --sync "$(e2e_window_id "$TITLE_MAIN")" 700 520
expect_list_follows_the_rule "after the user made the window 700 x 520"
e2e_case_passed

e2e_case "Enter on a focused button of the main window and of the entry dialog clicks it"
# The keyboard starts on Add, the first button in the main window's tab order.
e2e_focus "$TITLE_MAIN"
e2e_wait_flag "$TITLE_MAIN" "filler/push button" "Add" 1 focused
e2e_key "$TITLE_MAIN" Return
e2e_wait_window "Add an entry"
e2e_type_into "Add an entry" 1 "bob"
e2e_type_into "Add an entry" 2 "pw"
e2e_type_into "Add an entry" 3 "mail"
# From the website box, Tab goes round to Cancel and then to Save.
e2e_key "Add an entry" Tab
e2e_wait_flag "Add an entry" "push button" "Cancel" 1 focused
e2e_key "Add an entry" Tab
e2e_wait_flag "Add an entry" "push button" "Save" 1 focused
e2e_key "Add an entry" Return
e2e_wait_status "Added new entry.  Data saved."
e2e_wait_window_gone "Add an entry"
cells=$(e2e_list_cells)
[ "$cells" = "bob|pw|mail" ] || e2e_fail "the entry list shows '$cells', expected bob, pw, mail"
e2e_exit_through_file_menu
e2e_case_passed

e2e_summary
