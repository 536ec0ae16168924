# shellcheck shell=bash
# Two computers on one machine, for the end-to-end tests of a data file kept
# the same on both: side A runs on lib.sh's X server and buses, side B gets an
# X server, a session bus and an accessibility bus of its own, and a runtime
# folder of its own (its own lock), so that the two programs' windows, which
# have the same titles, never mix. e2e_side A|B makes that side's program
# the one lib.sh's helpers act on. Source it after lib.sh and e2e_begin.

declare -A E2E_SIDE_A=() E2E_SIDE_B=()
E2E_SIDE=A
E2E_SIDE_VARS=(E2E_PROGRAM_PID E2E_PROGRAM_DIR E2E_PROGRAM_RC E2E_PROGRAM_LOG E2E_FOLDER
  E2E_XVFB_PID DISPLAY DBUS_SESSION_BUS_ADDRESS XDG_RUNTIME_DIR)
E2E_SIDE_B_PIDS=()

# e2e_side A|B: saves the current side's state and takes up the other's.
e2e_side() {
  local v
  [ "$1" != "$E2E_SIDE" ] || return 0
  for v in "${E2E_SIDE_VARS[@]}"; do
    if [ "$E2E_SIDE" = A ]; then E2E_SIDE_A[$v]=${!v}; else E2E_SIDE_B[$v]=${!v}; fi
  done
  for v in "${E2E_SIDE_VARS[@]}"; do
    if [ "$1" = A ]; then printf -v "$v" '%s' "${E2E_SIDE_A[$v]:-}"; else printf -v "$v" '%s' "${E2E_SIDE_B[$v]:-}"; fi
  done
  export DISPLAY DBUS_SESSION_BUS_ADDRESS XDG_RUNTIME_DIR
  E2E_SIDE=$1
}

# Ends what side B started, then lib.sh's clean-up.
e2e_sides_cleanup() {
  local rc=$? pid
  set +e
  if [ "$E2E_SIDE" = B ]; then
    e2e_end_process "$E2E_PROGRAM_PID"
    E2E_PROGRAM_PID=${E2E_SIDE_A[E2E_PROGRAM_PID]:-}
    E2E_XVFB_PID=${E2E_SIDE_A[E2E_XVFB_PID]:-}
  else
    e2e_end_process "${E2E_SIDE_B[E2E_PROGRAM_PID]:-}"
  fi
  for pid in "${E2E_SIDE_B_PIDS[@]}"; do
    e2e_end_process "$pid"
  done
  (exit "$rc")
  e2e_cleanup
}
trap e2e_sides_cleanup EXIT

# Starts side B's X server, session bus and accessibility bus.
e2e_sides_begin() {
  local display_file="$E2E_ROOT/display-b" bus_file="$E2E_ROOT/bus-address-b" _
  : >"$display_file"
  : >"$bus_file"
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset 3>"$display_file" >"$E2E_ROOT/xvfb-b.log" 2>&1 &
  E2E_SIDE_B[E2E_XVFB_PID]=$!
  E2E_SIDE_B_PIDS+=($!)
  for _ in $(seq $((E2E_TIMEOUT * 10))); do
    grep -q '[0-9]' "$display_file" && break
    sleep 0.1
  done
  grep -q '[0-9]' "$display_file" || e2e_fail "side B's Xvfb did not report its display"
  E2E_SIDE_B[DISPLAY]=":$(tr -dc 0-9 <"$display_file")"
  dbus-daemon --session --nofork --nopidfile --print-address=4 4>"$bus_file" >"$E2E_ROOT/dbus-b.log" 2>&1 &
  E2E_SIDE_B_PIDS+=($!)
  e2e_wait_nonempty "$bus_file" || e2e_fail "side B's dbus-daemon did not report its address"
  E2E_SIDE_B[DBUS_SESSION_BUS_ADDRESS]=$(head -n 1 "$bus_file")
  mkdir -p "$E2E_ROOT/runtime-b"
  chmod 0700 "$E2E_ROOT/runtime-b"
  E2E_SIDE_B[XDG_RUNTIME_DIR]="$E2E_ROOT/runtime-b"
  DISPLAY=${E2E_SIDE_B[DISPLAY]} DBUS_SESSION_BUS_ADDRESS=${E2E_SIDE_B[DBUS_SESSION_BUS_ADDRESS]} \
    XDG_RUNTIME_DIR="$E2E_ROOT/runtime-b" /usr/libexec/at-spi-bus-launcher >"$E2E_ROOT/at-spi-b.log" 2>&1 &
  E2E_SIDE_B_PIDS+=($!)
  DBUS_SESSION_BUS_ADDRESS=${E2E_SIDE_B[DBUS_SESSION_BUS_ADDRESS]} \
    "$E2E_PYTHON" "$E2E_HERE/desktop.py" wait-bus "$E2E_TIMEOUT" || e2e_fail "side B's accessibility bus did not start"
  e2e_log "side B: display ${E2E_SIDE_B[DISPLAY]}"
}

# The status line of a reload.
RELOADED="Reloaded: the data file was changed by another program."

# e2e_sides_add_on_each: with both sides logged in over alice and bob, an
# entry added on side A reaches side B's list, and one added on B reaches A's.
e2e_sides_add_on_each() {
  e2e_side A
  e2e_add_entry carol pw3
  e2e_side B
  e2e_wait_status "$RELOADED  3 entries."
  e2e_expect_cells "alice|pw1|example.com|bob|pw2|mail|carol|pw3|"
  e2e_add_entry dave pw4
  e2e_side A
  e2e_wait_status "$RELOADED  4 entries."
  e2e_expect_cells "alice|pw1|example.com|bob|pw2|mail|carol|pw3||dave|pw4|"
}

# e2e_new_linked_folder TARGET: a fresh program folder (e2e_new_folder) whose
# data.enc is a link to TARGET.
e2e_new_linked_folder() {
  e2e_new_folder
  ln -s "$1" "$E2E_FOLDER/data.enc"
}

# e2e_add_entry USERNAME PASSWORD: the user adds an entry through the entry
# dialog, which closes once it is saved.
e2e_add_entry() {
  e2e_click "$TITLE_MAIN" "filler/push button" "Add"
  e2e_wait_window "$TITLE_ADD"
  e2e_type_into "$TITLE_ADD" 1 "$1"
  e2e_type_into "$TITLE_ADD" 2 "$2"
  e2e_click "$TITLE_ADD" "push button" "Save"
  e2e_wait_window_gone "$TITLE_ADD"
  e2e_wait_status "Added new entry.  Data saved."
}

# e2e_expect_cells CELLS: the entry list comes to show exactly these cells
# (see e2e_list_cells), within E2E_TIMEOUT seconds.
e2e_expect_cells() {
  local _ cells=""
  for _ in $(seq $((E2E_TIMEOUT * 2))); do
    cells=$(e2e_list_cells)
    [ "$cells" = "$1" ] && return 0
    e2e_check_running "the entry list to show '$1'"
    sleep 0.5
  done
  e2e_fail "side $E2E_SIDE's entry list shows '$cells', expected '$1'"
}
