# shellcheck shell=bash
# Shared helpers for the end-to-end tests: each test script sources this file,
# calls e2e_begin with the path of the built executable, and then drives real
# copies of the program on a private X server, as a user would, with xdotool.
#
# What a test sees of the program:
#   - its windows, by exact title (xdotool);
#   - the texts, focus and size of the controls that are showing, read through
#     a private accessibility bus (desktop.py snapshot);
#   - its exit code;
#   - the bytes and the mode of data.enc in its program folder.
#
# Everything runs in a fresh temporary folder with its own HOME, XDG_* folders,
# X server and session bus, so nothing leaks between runs or into the user's
# settings. All processes started here are ended by pid when the script ends,
# whether it passed or not. Set E2E_KEEP=1 to keep the temporary folder (with a
# screenshot of the screen at a failure, when ImageMagick's import is there).
#
# Set E2E_WINDOW_MANAGER=openbox before e2e_begin to run the program under a
# real window manager, as on a desktop: windows then get frames, and the
# window manager decides which window is active.

set -euo pipefail
# A command that fails outside any check ends the run without a FAIL line of
# its own: the last such command is kept (in functions too), and the clean-up
# names it.
set -E
trap 'E2E_LAST_FAILED="${BASH_SOURCE[0]##*/}:$LINENO: $BASH_COMMAND (exit $?)"' ERR
E2E_LAST_FAILED=""
E2E_REPORTED=0

E2E_HERE=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# The system's python3, which has the dbus bindings.
E2E_PYTHON=${E2E_PYTHON:-/usr/bin/python3}
# The longest wait for any one thing to happen; generous for slow machines.
E2E_TIMEOUT=${E2E_TIMEOUT:-40}

# Titles of the program's windows (used by the test scripts).
# shellcheck disable=SC2034
readonly TITLE_PASSWORD="Password Required"
readonly TITLE_MAIN="Kestrune by Kestrune Project"
# shellcheck disable=SC2034
readonly TITLE_MESSAGE="Kestrune"
# shellcheck disable=SC2034
readonly TITLE_INCORRECT="Incorrect Password"
# shellcheck disable=SC2034
readonly TITLE_ADD="Add an entry"
# shellcheck disable=SC2034
readonly TITLE_EDIT="Edit an entry"
# shellcheck disable=SC2034
readonly TITLE_CONFIRM="Confirm Delete"
# shellcheck disable=SC2034
readonly TITLE_FIND="Find"
# shellcheck disable=SC2034
readonly TITLE_HELP="Readme/Help"
# shellcheck disable=SC2034
readonly TITLE_ABOUT="About Kestrune"
# shellcheck disable=SC2034
readonly TITLE_ENCRYPT="Encrypt Data File"
# shellcheck disable=SC2034
readonly TITLE_REMOVE="Remove Encryption"
# The import's and the export's windows.
# shellcheck disable=SC2034
readonly TITLE_OPEN="Import Passwords"
# shellcheck disable=SC2034
readonly TITLE_COLUMNS="Import: Choose the Columns"
# shellcheck disable=SC2034
readonly TITLE_SUMMARY="Import: Summary"
# shellcheck disable=SC2034
readonly TITLE_EXPORT="Export"
# shellcheck disable=SC2034
readonly TITLE_SAVE="Export Passwords"

# data.enc as the first start leaves it once the master password "Secret1" is
# created: "Secret1" with the top bit of every byte flipped, then CR LF.
# shellcheck disable=SC2034
readonly SECRET1_FILE="d3 e5 e3 f2 e5 f4 b1 0d 0a"
# The start of a sealed data.enc: KESTRUNE SEALED 1, CR LF, and the layout's
# version, 1.
# shellcheck disable=SC2034
readonly SEALED_START="4b 45 53 54 52 55 4e 45 20 53 45 41 4c 45 44 20 31 0d 0a 01"

E2E_EXE=""
E2E_ROOT=""
E2E_XVFB_PID=""
E2E_WINDOW_MANAGER=${E2E_WINDOW_MANAGER:-}
E2E_WM_PID=""
E2E_DBUS_PID=""
E2E_LAUNCHER_PID=""
E2E_PROGRAM_PID=""
E2E_ASIDE_PID=""
E2E_ASIDE_STATE=()
E2E_XCLIP_PID=""
E2E_PROGRAM_DIR=""
E2E_FOLDER=""
E2E_WORKING_DIR=""
E2E_PROGRAM_RC=""
E2E_PROGRAM_LOG=""
E2E_PROGRAM_COUNT=0
E2E_PASSED=0
E2E_CLICKS=0
E2E_CURRENT_CASE=""

e2e_log() {
  printf '%s\n' "--- $*"
}

# Prints what the screen and the program look like, then fails the test.
e2e_fail() {
  E2E_REPORTED=1
  printf 'FAIL%s: %s\n' "${E2E_CURRENT_CASE:+ [$E2E_CURRENT_CASE]}" "$*" >&2
  e2e_report_state >&2 || true
  exit 1
}

e2e_report_state() {
  echo "=== windows showing (title, role path, text, flags, place):"
  if [ -n "$E2E_DBUS_PID" ]; then
    "$E2E_PYTHON" "$E2E_HERE/desktop.py" snapshot 2>&1 | sed 's/^/  /' || true
  fi
  if [ -n "$E2E_PROGRAM_DIR" ]; then
    echo "=== data.enc in $E2E_PROGRAM_DIR:"
    if [ -e "$E2E_PROGRAM_DIR/data.enc" ]; then
      echo "  $(e2e_hex "$E2E_PROGRAM_DIR/data.enc")"
    else
      echo "  (missing)"
    fi
  fi
  if [ -n "$E2E_PROGRAM_LOG" ] && [ -s "$E2E_PROGRAM_LOG" ]; then
    echo "=== program output (last lines):"
    tail -n 30 "$E2E_PROGRAM_LOG" | sed 's/^/  /'
  fi
  local log
  for log in xvfb window-manager dbus at-spi; do
    if [ -s "$E2E_ROOT/$log.log" ]; then
      echo "=== $log.log (last lines):"
      tail -n 15 "$E2E_ROOT/$log.log" | sed 's/^/  /'
    fi
  done
  if [ -n "$E2E_XVFB_PID" ] && ! kill -0 "$E2E_XVFB_PID" 2>/dev/null; then
    echo "=== the X server (pid $E2E_XVFB_PID) is no longer running"
  fi
  if [ "${E2E_KEEP:-0}" = 1 ] && [ -n "$E2E_XVFB_PID" ] && command -v import >/dev/null; then
    import -window root "$E2E_ROOT/failure.png" 2>/dev/null && echo "=== screenshot: $E2E_ROOT/failure.png"
  fi
}

# Ends one process started here, by its pid, and waits for it.
e2e_end_process() {
  local pid=$1
  [ -n "$pid" ] || return 0
  if kill -0 "$pid" 2>/dev/null; then
    kill "$pid" 2>/dev/null || true
    local _
    for _ in $(seq 50); do
      kill -0 "$pid" 2>/dev/null || break
      sleep 0.1
    done
    kill -KILL "$pid" 2>/dev/null || true
  fi
  wait "$pid" 2>/dev/null || true
}

e2e_cleanup() {
  local rc=$?
  set +e
  trap - ERR
  if [ "$rc" -ne 0 ] && [ "$rc" -lt 128 ] && [ "$E2E_REPORTED" = 0 ] && [ -n "$E2E_LAST_FAILED" ]; then
    printf 'FAIL%s: stopped by a failing command at %s\n' \
      "${E2E_CURRENT_CASE:+ [$E2E_CURRENT_CASE]}" "$E2E_LAST_FAILED" >&2
  fi
  e2e_end_process "$E2E_PROGRAM_PID"
  e2e_end_process "$E2E_ASIDE_PID"
  e2e_end_process "$E2E_XCLIP_PID"
  e2e_end_process "$E2E_LAUNCHER_PID"
  e2e_end_process "$E2E_DBUS_PID"
  e2e_end_process "$E2E_WM_PID"
  e2e_end_process "$E2E_XVFB_PID"
  if [ -n "$E2E_ROOT" ]; then
    if [ "${E2E_KEEP:-0}" = 1 ]; then
      echo "--- kept $E2E_ROOT"
    else
      rm -rf "$E2E_ROOT"
    fi
  fi
  exit "$rc"
}

# A missing tool fails the test: scripts/install-deps.sh installs them all, and
# a test that quietly skips would prove nothing.
e2e_missing() {
  E2E_REPORTED=1
  echo "FAIL: $*"
  exit 1
}

# e2e_begin EXECUTABLE: checks the tools, then starts a private X server, a
# private session bus and the accessibility bus.
e2e_begin() {
  E2E_EXE=${1:-}
  [ -n "$E2E_EXE" ] || e2e_fail "usage: $0 PATH-TO-Kestrune"
  [ -x "$E2E_EXE" ] || e2e_fail "no executable at $E2E_EXE"
  local tool
  for tool in Xvfb xdotool xclip dbus-daemon "$E2E_PYTHON" od stat timeout $E2E_WINDOW_MANAGER; do
    command -v "$tool" >/dev/null || e2e_missing "$tool is not installed (scripts/install-deps.sh installs it)"
  done
  [ -x /usr/libexec/at-spi-bus-launcher ] || e2e_missing "at-spi2-core is not installed (scripts/install-deps.sh installs it)"
  "$E2E_PYTHON" -c 'import dbus' 2>/dev/null || e2e_missing "python3-dbus is not installed (scripts/install-deps.sh installs it)"

  trap e2e_cleanup EXIT
  trap 'exit 130' INT
  trap 'exit 143' TERM
  E2E_ROOT=$(mktemp -d "${TMPDIR:-/tmp}/kestrune-e2e.XXXXXX")
  E2E_WORKING_DIR="$E2E_ROOT/working-folder"
  mkdir -p "$E2E_ROOT/home" "$E2E_ROOT/config" "$E2E_ROOT/runtime" "$E2E_WORKING_DIR"
  chmod 0700 "$E2E_ROOT/runtime"
  export HOME="$E2E_ROOT/home"
  export XDG_CONFIG_HOME="$E2E_ROOT/config"
  export XDG_RUNTIME_DIR="$E2E_ROOT/runtime"
  export XDG_DATA_HOME="$E2E_ROOT/home/.local/share"
  export XDG_CACHE_HOME="$E2E_ROOT/home/.cache"
  export LANG=C.UTF-8 LC_ALL=C.UTF-8
  # The program must make data.enc private itself, whatever the umask.
  umask 022
  unset WAYLAND_DISPLAY AT_SPI_BUS_ADDRESS SESSION_MANAGER

  local _
  for _ in 1 2 3 4 5; do
    e2e_start_x_server && break
  done
  e2e_x_server_reachable || e2e_fail "could not start an X server that clients can reach"
  [ -z "$E2E_WINDOW_MANAGER" ] || e2e_start_window_manager

  local bus_file="$E2E_ROOT/bus-address"
  : >"$bus_file"
  dbus-daemon --session --nofork --nopidfile --print-address=4 4>"$bus_file" >"$E2E_ROOT/dbus.log" 2>&1 &
  E2E_DBUS_PID=$!
  for _ in $(seq $((E2E_TIMEOUT * 10))); do
    [ -s "$bus_file" ] && break
    kill -0 "$E2E_DBUS_PID" 2>/dev/null || e2e_fail "dbus-daemon did not start: $(cat "$E2E_ROOT/dbus.log")"
    sleep 0.1
  done
  [ -s "$bus_file" ] || e2e_fail "dbus-daemon did not report its address"
  DBUS_SESSION_BUS_ADDRESS=$(head -n 1 "$bus_file")
  export DBUS_SESSION_BUS_ADDRESS

  /usr/libexec/at-spi-bus-launcher >"$E2E_ROOT/at-spi.log" 2>&1 &
  E2E_LAUNCHER_PID=$!
  "$E2E_PYTHON" "$E2E_HERE/desktop.py" wait-bus "$E2E_TIMEOUT" || e2e_fail "the accessibility bus did not start"
  e2e_log "display $DISPLAY, temporary folder $E2E_ROOT"
}

# e2e_start_x_server: starts Xvfb on a free display and exports DISPLAY.
# Fails (returns 1, with the server ended) when clients cannot reach it: an X
# server starting at the same moment, looking for a free display of its own,
# can take away the socket of one that is not listening yet.
e2e_start_x_server() {
  local display_file="$E2E_ROOT/display" _
  e2e_end_process "$E2E_XVFB_PID"
  : >"$display_file"
  # The server picks a free display itself and writes its number to fd 3.
  # -noreset: by default the server resets whenever its last client leaves
  # (each xdotool call is a client), and a program that connects during a
  # reset is turned away ("could not connect to display").
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset 3>"$display_file" >"$E2E_ROOT/xvfb.log" 2>&1 &
  E2E_XVFB_PID=$!
  for _ in $(seq $((E2E_TIMEOUT * 10))); do
    grep -q '[0-9]' "$display_file" && break
    kill -0 "$E2E_XVFB_PID" 2>/dev/null || e2e_fail "Xvfb did not start: $(cat "$E2E_ROOT/xvfb.log")"
    sleep 0.1
  done
  grep -q '[0-9]' "$display_file" || e2e_fail "Xvfb did not report its display"
  DISPLAY=":$(tr -dc 0-9 <"$display_file")"
  export DISPLAY
  if e2e_x_server_reachable; then
    return 0
  fi
  echo "--- the X server on $DISPLAY cannot be reached; starting another one" >&2
  e2e_end_process "$E2E_XVFB_PID"
  E2E_XVFB_PID=""
  return 1
}

# e2e_start_window_manager: starts E2E_WINDOW_MANAGER on our X server and
# waits until it manages the screen (it announces itself on the root window).
e2e_start_window_manager() {
  local _
  "$E2E_WINDOW_MANAGER" --sm-disable >"$E2E_ROOT/window-manager.log" 2>&1 &
  E2E_WM_PID=$!
  for _ in $(seq $((E2E_TIMEOUT * 10))); do
    if xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; then
      e2e_log "window manager: $E2E_WINDOW_MANAGER"
      return 0
    fi
    kill -0 "$E2E_WM_PID" 2>/dev/null || e2e_fail "$E2E_WINDOW_MANAGER did not start"
    sleep 0.1
  done
  e2e_fail "$E2E_WINDOW_MANAGER did not take over the screen within ${E2E_TIMEOUT}s"
}

# e2e_x_server_reachable: a client can connect to our X server now.
e2e_x_server_reachable() {
  [ -n "$E2E_XVFB_PID" ] && kill -0 "$E2E_XVFB_PID" 2>/dev/null &&
    timeout 10 xdotool getdisplaygeometry >/dev/null 2>&1
}

# e2e_case NAME: starts one named case; e2e_case_passed ends it.
e2e_case() {
  E2E_CURRENT_CASE=$1
  e2e_log "case: $1"
}

e2e_case_passed() {
  echo "ok - $E2E_CURRENT_CASE"
  E2E_PASSED=$((E2E_PASSED + 1))
  E2E_CURRENT_CASE=""
}

e2e_summary() {
  echo "$E2E_PASSED passed, 0 failed"
}

# --- data.enc -------------------------------------------------------------

# e2e_hex FILE: the bytes of FILE as lower-case hex pairs separated by spaces.
e2e_hex() {
  od -An -v -tx1 "$1" | tr -s ' \n' '  ' | sed 's/^ *//; s/ *$//'
}

# e2e_encode TEXT: the hex bytes of an ASCII text as data.enc stores it (the
# top bit of every byte flipped).
e2e_encode() {
  local text=$1 out="" byte
  for byte in $(printf '%s' "$text" | od -An -v -tx1); do
    out+="$(printf '%02x' $((0x$byte ^ 0x80))) "
  done
  printf '%s' "${out% }"
}

# e2e_saved_file ENTRY...: the hex bytes of data.enc as the program saves it
# with the master password "Secret1": the password, then each ENTRY
# (username|||password|||location), each line encoded and ended by CR LF, then
# an empty line.
e2e_saved_file() {
  local out entry
  out="$(e2e_encode 'Secret1') 0d 0a"
  for entry in "$@"; do
    out+=" $(e2e_encode "$entry") 0d 0a"
  done
  printf '%s' "$out 0d 0a"
}

# e2e_write_hex FILE HEX...: writes the given bytes to FILE.
e2e_write_hex() {
  local file=$1 byte
  shift
  : >"$file"
  # The arguments are split into bytes on purpose.
  # shellcheck disable=SC2048
  for byte in $*; do
    # shellcheck disable=SC2059 # the format is the byte itself
    printf "\\x$byte" >>"$file"
  done
}

# e2e_expect_bytes FILE HEX "what": the file holds exactly these bytes.
e2e_expect_bytes() {
  local file=$1 want what=$3 got
  want=$(printf '%s' "$2" | tr 'A-F' 'a-f' | tr -s ' ' | sed 's/^ *//; s/ *$//')
  [ -f "$file" ] || e2e_fail "$what: $file does not exist"
  got=$(e2e_hex "$file")
  [ "$got" = "$want" ] || e2e_fail "$what: $file holds
    $got
  expected
    $want"
}

# e2e_expect_saved_file WHAT ENTRY...: data.enc in the program folder holds
# exactly the entries given, as e2e_saved_file writes them; WHAT names the
# moment in the failure.
e2e_expect_saved_file() {
  local what=$1
  shift
  e2e_expect_bytes "$E2E_FOLDER/data.enc" "$(e2e_saved_file "$@")" "data.enc $what"
}

# e2e_expect_mode FILE MODE: the permission bits of FILE, in octal.
e2e_expect_mode() {
  local got
  got=$(stat -c %a "$1")
  [ "$got" = "$2" ] || e2e_fail "$1 has mode $got, expected $2"
}

# --- the program ----------------------------------------------------------

# e2e_new_folder: makes a fresh program folder holding a copy of the
# executable, and sets E2E_FOLDER to its path.
e2e_new_folder() {
  E2E_PROGRAM_COUNT=$((E2E_PROGRAM_COUNT + 1))
  E2E_FOLDER="$E2E_ROOT/program$E2E_PROGRAM_COUNT"
  mkdir "$E2E_FOLDER"
  cp "$E2E_EXE" "$E2E_FOLDER/Kestrune"
}

# e2e_start [DIR]: starts the program in DIR (its program folder), by default
# the one e2e_new_folder made last.
# shellcheck disable=SC2120 # the scripts pass DIR; lib.sh itself does not
e2e_start() {
  local dir=${1:-$E2E_FOLDER}
  e2e_x_server_reachable || e2e_fail "the X server on $DISPLAY can no longer be reached"
  # E2E_PROGRAM_WRAPPER, when set, runs the program under a debugger or the
  # like, e.g. E2E_PROGRAM_WRAPPER="gdb -q -batch -ex run -ex bt --args".
  # shellcheck disable=SC2086 # the wrapper is a command line
  e2e_launch "$dir" env QT_QPA_PLATFORM=xcb QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 QT_ACCESSIBILITY=1 \
    ${E2E_PROGRAM_WRAPPER:-} "$dir/Kestrune"
}

# e2e_launch DIR COMMAND...: runs COMMAND, which starts the program of the
# program folder DIR, as the running program.
e2e_launch() {
  local dir=$1
  shift
  [ -z "$E2E_PROGRAM_PID" ] || e2e_fail "a program is still running (pid $E2E_PROGRAM_PID)"
  E2E_PROGRAM_DIR=$dir
  E2E_PROGRAM_RC="$E2E_ROOT/exit-code.$E2E_PROGRAM_COUNT.$RANDOM"
  E2E_PROGRAM_LOG="$E2E_ROOT/program-output.$E2E_PROGRAM_COUNT.log"
  rm -f "$E2E_PROGRAM_RC"
  local pid_file="$E2E_PROGRAM_RC.pid"
  # A watcher subshell records the exit code; the program itself is the
  # process whose pid is kept, so that it can be ended by pid. It runs from
  # another working folder: its program folder is where the executable is.
  (
    cd "$E2E_WORKING_DIR"
    "$@" >>"$E2E_PROGRAM_LOG" 2>&1 &
    echo $! >"$pid_file"
    set +e
    wait $!
    echo $? >"$E2E_PROGRAM_RC.tmp"
    mv "$E2E_PROGRAM_RC.tmp" "$E2E_PROGRAM_RC"
  ) &
  e2e_wait_nonempty "$pid_file" || e2e_fail "the program did not start"
  E2E_PROGRAM_PID=$(cat "$pid_file")
}

# e2e_wait_nonempty FILE: waits up to E2E_TIMEOUT seconds for FILE to hold
# something; fails (returns 1) when it does not.
e2e_wait_nonempty() {
  local _
  for _ in $(seq $((E2E_TIMEOUT * 10))); do
    [ -s "$1" ] && return 0
    sleep 0.1
  done
  [ -s "$1" ]
}

# e2e_describe_exit CODE: an exit code in words.
e2e_describe_exit() {
  if [ "$1" -gt 128 ] 2>/dev/null; then
    printf 'exit code %s: killed by signal %s (%s)' "$1" $(($1 - 128)) "$(kill -l $(($1 - 128)) 2>/dev/null || echo '?')"
  else
    printf 'exit code %s' "$1"
  fi
}

# e2e_check_running WHAT: fails at once if the program has ended while the
# test was waiting for WHAT.
e2e_check_running() {
  if [ -n "$E2E_PROGRAM_RC" ] && [ -s "$E2E_PROGRAM_RC" ]; then
    e2e_fail "the program ended ($(e2e_describe_exit "$(cat "$E2E_PROGRAM_RC")")) while waiting for $1"
  fi
}

# e2e_expect_exit CODE: waits for the program to end and checks its exit code.
e2e_expect_exit() {
  local want=$1 got
  e2e_wait_nonempty "$E2E_PROGRAM_RC" || e2e_fail "the program is still running ${E2E_TIMEOUT}s later; it should have ended"
  got=$(cat "$E2E_PROGRAM_RC")
  E2E_PROGRAM_PID=""
  [ "$got" = "$want" ] || e2e_fail "the program ended with $(e2e_describe_exit "$got"), expected $want"
}

# e2e_expect_running: the program has not ended.
e2e_expect_running() {
  e2e_check_running "nothing: it should still be running"
}

# e2e_stop: ends a program still running at the end of a case.
e2e_stop() {
  e2e_end_process "$E2E_PROGRAM_PID"
  E2E_PROGRAM_PID=""
}

# e2e_set_aside: the running program keeps running, set aside, so that
# e2e_start can start a second copy; e2e_take_back makes it the program the
# helpers act on again (the second copy must have ended by then).
e2e_set_aside() {
  [ -n "$E2E_PROGRAM_PID" ] || e2e_fail "no running program to set aside"
  [ -z "$E2E_ASIDE_PID" ] || e2e_fail "a program is set aside already"
  E2E_ASIDE_PID=$E2E_PROGRAM_PID
  E2E_ASIDE_STATE=("$E2E_PROGRAM_DIR" "$E2E_PROGRAM_RC" "$E2E_PROGRAM_LOG")
  E2E_PROGRAM_PID=""
}

e2e_take_back() {
  [ -n "$E2E_ASIDE_PID" ] || e2e_fail "no program set aside"
  [ -z "$E2E_PROGRAM_PID" ] || e2e_fail "another program is still running (pid $E2E_PROGRAM_PID)"
  E2E_PROGRAM_PID=$E2E_ASIDE_PID
  E2E_PROGRAM_DIR=${E2E_ASIDE_STATE[0]}
  E2E_PROGRAM_RC=${E2E_ASIDE_STATE[1]}
  E2E_PROGRAM_LOG=${E2E_ASIDE_STATE[2]}
  E2E_ASIDE_PID=""
}

# --- windows --------------------------------------------------------------

e2e_title_pattern() {
  printf '^%s$' "$(printf '%s' "$1" | sed 's/[][\.*^$+?(){}|]/\\&/g')"
}

# e2e_window_id TITLE: the id of the showing window with this title, if any.
e2e_window_id() {
  # xdotool fails when no window matches: then the id is empty.
  { xdotool search --onlyvisible --name "$(e2e_title_pattern "$1")" 2>/dev/null || true; } | head -n 1
}

# e2e_wait_window TITLE: waits until a window with this exact title shows.
e2e_wait_window() {
  local _
  for _ in $(seq $((E2E_TIMEOUT * 5))); do
    [ -z "$(e2e_window_id "$1")" ] || return 0
    e2e_check_running "a window titled '$1'"
    sleep 0.2
  done
  e2e_fail "no window titled '$1' showed within ${E2E_TIMEOUT}s"
}

# e2e_wait_window_gone TITLE: waits until no window with this title shows.
e2e_wait_window_gone() {
  local _
  for _ in $(seq $((E2E_TIMEOUT * 5))); do
    [ -n "$(e2e_window_id "$1")" ] || return 0
    sleep 0.2
  done
  e2e_fail "the window titled '$1' still shows ${E2E_TIMEOUT}s later"
}

# e2e_expect_no_window TITLE: no window with this title shows now.
e2e_expect_no_window() {
  [ -z "$(e2e_window_id "$1")" ] || e2e_fail "a window titled '$1' shows, but should not"
}

# e2e_focus TITLE: gives the keyboard to the window with this title. The
# program may re-create a window's native handle, so it is looked up afresh.
# Under a window manager the window is activated through it, as a click on
# its frame would; without one the keyboard goes to the window directly.
e2e_focus() {
  local _ id how=windowfocus
  [ -z "$E2E_WINDOW_MANAGER" ] || how=windowactivate
  for _ in $(seq $((E2E_TIMEOUT * 5))); do
    id=$(e2e_window_id "$1")
    if [ -n "$id" ] && timeout 5 xdotool "$how" --sync "$id" 2>/dev/null; then
      return 0
    fi
    e2e_check_running "the window titled '$1' to take the keyboard"
    sleep 0.2
  done
  e2e_fail "could not give the keyboard to the window titled '$1'"
}

# e2e_key TITLE KEY...: presses keys in the window.
e2e_key() {
  local title=$1
  shift
  e2e_focus "$title"
  local key
  for key in "$@"; do
    xdotool key "$key"
  done
}

# e2e_expect_role TITLE ROLE: assistive technology knows the showing window
# with this title by this role ("dialog" for a dialog, "alert message" for a
# message box, "frame" for the main window).
e2e_expect_role() {
  local got
  got=$("$E2E_PYTHON" "$E2E_HERE/desktop.py" role "$1" 2>/dev/null || true)
  [ "$got" = "$2" ] || e2e_fail "the window titled '$1' has the role '$got', expected '$2'"
}

# e2e_close_box TITLE: the user clicks the window's close box.
e2e_close_box() {
  local id
  id=$(e2e_window_id "$1")
  [ -n "$id" ] || e2e_fail "no window titled '$1' to close"
  "$E2E_PYTHON" "$E2E_HERE/desktop.py" close "$id" || e2e_fail "could not ask the window '$1' to close"
}

# --- controls, through the accessibility bus ------------------------------

# e2e_snapshot: the showing controls, one per line (see desktop.py).
e2e_snapshot() {
  "$E2E_PYTHON" "$E2E_HERE/desktop.py" snapshot 2>/dev/null || true
}

# e2e_find TITLE ROLEPATH TEXT [N]: prints the snapshot line of the Nth (1 by
# default) showing control with this role path and text in that window.
e2e_find() {
  e2e_snapshot | awk -F '\t' -v t="$1" -v r="$2" -v n="$3" -v k="${4:-1}" \
    '$1 == t && $2 == r && $3 == n { if (++seen == k) { print; exit } }'
}

# e2e_wait_control TITLE ROLEPATH TEXT [N]: waits until that control shows,
# and prints its snapshot line.
e2e_wait_control() {
  local _ line
  for _ in $(seq $((E2E_TIMEOUT * 4))); do
    line=$(e2e_find "$@")
    if [ -n "$line" ]; then
      printf '%s\n' "$line"
      return 0
    fi
    e2e_check_running "the control '$2' with text '$3' in the window '$1'"
    sleep 0.25
  done
  e2e_fail "no control '$2' with text '$3' shows in the window '$1' within ${E2E_TIMEOUT}s"
}

# e2e_wait_text TITLE ROLEPATH TEXT: waits until the window shows that text.
e2e_wait_text() {
  e2e_wait_control "$@" >/dev/null
}

# e2e_count TITLE ROLEPATH: how many such controls show in the window.
e2e_count() {
  e2e_snapshot | awk -F '\t' -v t="$1" -v r="$2" '$1 == t && $2 == r { ++seen } END { print seen + 0 }'
}

# e2e_wait_flag TITLE ROLEPATH TEXT N FLAG: waits until the Nth such control
# has that flag (e.g. "chars=0" or "focused").
e2e_wait_flag() {
  local _ flags=""
  for _ in $(seq $((E2E_TIMEOUT * 4))); do
    flags=$(e2e_find "$1" "$2" "$3" "$4" | cut -f 4)
    case ",$flags," in *",$5,"*) return 0 ;; esac
    e2e_check_running "'$5' on the control '$2' number $4 in the window '$1'"
    sleep 0.25
  done
  e2e_fail "control '$2' number $4 with text '$3' in the window '$1' has flags '$flags', expected '$5'"
}

# e2e_click TITLE ROLEPATH TEXT [N]: the user clicks the middle of the control.
e2e_click() {
  local line x y w h
  line=$(e2e_wait_control "$@")
  IFS=, read -r x y w h <<<"$(printf '%s' "$line" | cut -f 5)"
  [ -n "$h" ] || e2e_fail "control '$2' with text '$3' has no place on the screen"
  # Two clicks in a row on the same spot would be a double click (which selects
  # all of a text box): like a real hand, land a few pixels apart each time.
  E2E_CLICKS=$((E2E_CLICKS + 1))
  xdotool mousemove $((x + w / 2 + (E2E_CLICKS % 2) * 12 - 6)) $((y + h / 2)) click 1
}

# e2e_type_into TITLE N TEXT: the user clicks into the Nth text box of the
# window and types TEXT at its end. Typing starts only once the box really has
# the keyboard, and the box must then hold that many more characters.
e2e_type_into() {
  local title=$1 n=$2 text=$3 before _ flags
  e2e_click "$title" text "" "$n"
  for _ in $(seq $((E2E_TIMEOUT * 2))); do
    e2e_focus "$title"
    flags=$(e2e_find "$title" text "" "$n" | cut -f 4)
    case ",$flags," in *,focused,*) break ;; esac
    sleep 0.5
  done
  case ",$flags," in
  *,focused,*) ;;
  *) e2e_fail "text box $n of the window '$title' does not take the keyboard (flags '$flags')" ;;
  esac
  before=$(printf '%s' "$flags" | sed -n 's/.*chars=\([0-9]*\).*/\1/p')
  xdotool type --delay 20 "$text"
  e2e_wait_flag "$title" text "" "$n" "chars=$((before + ${#text}))"
}

# e2e_paste_into TITLE N TEXT: the user pastes TEXT from the clipboard at the
# end of the Nth text box of the window (click, then Ctrl+V). Used for letters
# a plain US keyboard lacks: xdotool can type those only by changing the
# keyboard map on the fly, and the program may see the change too late.
e2e_paste_into() {
  local title=$1 n=$2 text=$3 before _ flags=""
  printf '%s' "$text" >"$E2E_ROOT/clipboard.txt"
  xclip -selection clipboard -quiet -i "$E2E_ROOT/clipboard.txt" >/dev/null 2>&1 &
  E2E_XCLIP_PID=$!
  for _ in $(seq $((E2E_TIMEOUT * 5))); do
    [ "$(xclip -selection clipboard -o 2>/dev/null)" != "$text" ] || break
    sleep 0.2
  done
  [ "$(xclip -selection clipboard -o 2>/dev/null)" = "$text" ] || e2e_fail "could not put '$text' on the clipboard"
  e2e_type_into "$title" "$n" ""
  before=$(e2e_find "$title" text "" "$n" | cut -f 4 | sed -n 's/.*chars=\([0-9]*\).*/\1/p')
  xdotool key ctrl+v
  e2e_wait_flag "$title" text "" "$n" "chars=$((before + ${#text}))"
  e2e_end_process "$E2E_XCLIP_PID"
  E2E_XCLIP_PID=""
}

# e2e_wait_status TEXT: waits until the main window shows with this status line.
e2e_wait_status() {
  e2e_wait_text "$TITLE_MAIN" "status bar/label" "$1"
}

# e2e_log_in PASSWORD STATUS: starts the program, gives PASSWORD in the
# password dialog (check mode) and waits for the main window with STATUS.
e2e_log_in() {
  e2e_start
  e2e_expect_check_mode
  e2e_wait_flag "$TITLE_PASSWORD" text "" 1 "chars=0"
  e2e_type_into "$TITLE_PASSWORD" 1 "$1"
  e2e_key "$TITLE_PASSWORD" Return
  e2e_wait_status "$2"
  e2e_wait_window_gone "$TITLE_PASSWORD"
}

# e2e_expect_create_mode: the password dialog shows in create mode, with a
# password box and a retype box.
e2e_expect_create_mode() {
  e2e_wait_window "$TITLE_PASSWORD"
  e2e_wait_text "$TITLE_PASSWORD" label "Password:"
  e2e_wait_text "$TITLE_PASSWORD" label "Retype Password:"
  local boxes
  boxes=$(e2e_count "$TITLE_PASSWORD" text)
  [ "$boxes" = 2 ] || e2e_fail "create mode shows $boxes password boxes, expected 2"
}

# e2e_expect_check_mode: the password dialog shows in check mode, with one
# password box.
e2e_expect_check_mode() {
  e2e_wait_window "$TITLE_PASSWORD"
  e2e_wait_text "$TITLE_PASSWORD" label "Please enter your password"
  e2e_wait_text "$TITLE_PASSWORD" label "Password:"
  [ -z "$(e2e_find "$TITLE_PASSWORD" label "Retype Password:")" ] ||
    e2e_fail "check mode shows the 'Retype Password:' box"
  local boxes
  boxes=$(e2e_count "$TITLE_PASSWORD" text)
  [ "$boxes" = 1 ] || e2e_fail "check mode shows $boxes password boxes, expected 1"
}

# e2e_from_menu MENU ITEM: the user picks ITEM from the main window's MENU.
e2e_from_menu() {
  e2e_click "$TITLE_MAIN" "menu bar/menu item" "$1"
  e2e_click "$TITLE_MAIN" "menu bar/menu item/popup menu/menu item" "$2"
}

# e2e_exit_through_file_menu: the user leaves the main window through
# File > Exit; the program must end with exit code 0.
e2e_exit_through_file_menu() {
  e2e_from_menu "File" "Exit"
  e2e_expect_exit 0
}

# e2e_list_cells: the texts of the cells of the main window's entry list, row
# by row, separated by "|".
e2e_list_cells() {
  e2e_snapshot | awk -F '\t' -v t="$TITLE_MAIN" '$1 == t && $2 == "filler/tree/tree item" { printf "%s%s", sep, $3; sep = "|" }'
}
