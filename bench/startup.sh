#!/usr/bin/env bash
# Times the start of the real program on a private Xvfb server, as a user
# starts it on every run but the first: from the process start to the splash
# window on screen, and to the master password dialog on screen. The program
# runs from a temporary program folder (the executable, Help.rtf and a data.enc
# that holds a master password), with its own HOME and XDG folders.
#
#   bench/startup.sh PATH-TO-Kestrune [RUNS]
#
# Then one more start under strace shows what the time is made of: dynamic
# linking, the platform plugin and the X connection, the splash, the hand-over
# ticks and the loading of the dialog.
set -euo pipefail

exe=${1:?usage: $0 PATH-TO-Kestrune [RUNS]}
runs=${2:-7}
exe=$(cd "$(dirname "$exe")" && pwd)/$(basename "$exe")
for tool in Xvfb xdotool; do
  command -v "$tool" >/dev/null || { echo "$tool is missing (scripts/install-deps.sh installs it)" >&2; exit 1; }
done

root=$(mktemp -d)
xvfb_pid=""
program_pid=""
cleanup() {
  [ -n "$program_pid" ] && kill "$program_pid" 2>/dev/null && wait "$program_pid" 2>/dev/null
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null
  rm -rf "$root"
}
trap cleanup EXIT

mkdir -p "$root/program" "$root/home" "$root/config" "$root/runtime"
chmod 700 "$root/runtime"
cp "$exe" "$(dirname "$exe")/Help.rtf" "$root/program/"
# The master password "Master", encoded, and no entries.
printf '\xcd\xe1\xf3\xf4\xe5\xf2\r\n\r\n' >"$root/program/data.enc"
export HOME="$root/home" XDG_CONFIG_HOME="$root/config" XDG_RUNTIME_DIR="$root/runtime"
unset QT_QPA_PLATFORM WAYLAND_DISPLAY

: >"$root/display"
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset 3>"$root/display" 2>/dev/null &
xvfb_pid=$!
for _ in $(seq 200); do
  [ -s "$root/display" ] && break
  sleep 0.05
done
export DISPLAY=":$(tr -dc 0-9 <"$root/display")"

now_ms() { echo $(($(date +%s%N) / 1000000)); }

# Starts the program and polls the screen every few ms until the password
# dialog is showing; prints "splash_ms dialog_ms" after the process start.
one_start() {
  local start splash="" t
  start=$(now_ms)
  "$root/program/Kestrune" >/dev/null 2>&1 &
  program_pid=$!
  while :; do
    t=$(now_ms)
    if [ -z "$splash" ] && [ -n "$(xdotool search --onlyvisible --pid "$program_pid" 2>/dev/null)" ]; then
      splash=$((t - start))
    fi
    if [ -n "$(xdotool search --onlyvisible --name '^Password Required$' 2>/dev/null)" ]; then
      echo "${splash:-$((t - start))} $((t - start))"
      break
    fi
    if [ $((t - start)) -gt 20000 ]; then
      echo "the password dialog did not appear" >&2
      return 1
    fi
  done
  kill "$program_pid" && wait "$program_pid" 2>/dev/null || true
  program_pid=""
}

echo "== Start-up of the real program on Xvfb (ms after the process start; the screen is polled every few ms)"
one_start >/dev/null # a first start fills the disk cache
printf '%-6s %12s %14s\n' run "splash shown" "dialog shown"
all=()
for i in $(seq "$runs"); do
  read -r splash dialog < <(one_start)
  printf '%-6s %12s %14s\n' "$i" "$splash" "$dialog"
  all+=("$dialog")
done
median=$(printf '%s\n' "${all[@]}" | sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}')
echo "median time to the password dialog: $median ms"

# What the time is made of. The dynamic loader's own account first.
echo
echo "== Dynamic linking (the loader's statistics of one start)"
LD_DEBUG=statistics LD_DEBUG_OUTPUT="$root/ld" "$root/program/Kestrune" >/dev/null 2>&1 &
program_pid=$!
for _ in $(seq 400); do
  [ -n "$(xdotool search --onlyvisible --name '^Password Required$' 2>/dev/null)" ] && break
  sleep 0.025
done
kill "$program_pid" && wait "$program_pid" 2>/dev/null || true
program_pid=""
grep -h -E "total startup time|time needed for relocation|number of relocations:|objects loaded" "$root"/ld.* 2>/dev/null | sed 's/^ *[0-9]*: *//' | head -6 || true

# Then the milestones of one start under strace (which slows every system call
# down a little), read from the times of the calls that mark them.
if command -v strace >/dev/null; then
  echo
  echo "== Milestones of one start under strace (ms after execve)"
  strace -f -ttt -e trace=execve,openat,connect -o "$root/trace" "$root/program/Kestrune" >/dev/null 2>&1 &
  program_pid=$!
  for _ in $(seq 400); do
    [ -n "$(xdotool search --onlyvisible --name '^Password Required$' 2>/dev/null)" ] && break
    sleep 0.005
  done
  shown=$(date +%s.%N)
  # Ending strace would leave the program running: end the program, strace follows.
  traced=$(awk 'NR == 1 {print $1}' "$root/trace")
  [ -n "$traced" ] && kill "$traced" 2>/dev/null
  wait "$program_pid" 2>/dev/null || true
  program_pid=""
  awk -v shown="$shown" '
    function mark(name, t) { if (!(name in seen)) { seen[name] = 1; order[++n] = name; at[name] = t } }
    {
      t = $2
      if (start == "" && $3 ~ /^execve/) start = t
      if ($0 ~ /libQt6Core\.so/) mark("dynamic loader opens Qt Core", t)
      if ($0 ~ /libicudata/) mark("last Qt library dependencies opened (ICU data)", t)
      if ($0 ~ /platforms\/libqxcb\.so/) mark("QApplication loads the xcb platform plugin", t)
      if ($0 ~ /connect\(.*X11-unix/) mark("connected to the X server", t)
      if ($0 ~ /fonts\.conf/) mark("font configuration read", t)
      if ($0 ~ /data\.enc/) mark("hand-over done: main window loaded, data.enc read", t)
    }
    END {
      for (i = 1; i <= n; i++) printf "  %7.1f  %s\n", (at[order[i]] - start) * 1000, order[i]
      printf "  %7.1f  %s\n", (shown - start) * 1000, "password dialog seen on screen (polled)"
    }' "$root/trace"
fi
