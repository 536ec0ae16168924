#!/usr/bin/env bash
# The Windows stage of the test command. With a Windows SDK (see
# scripts/windows-sdk.sh for where it is found):
#   1. builds Kestrune.exe and every test as an .exe (scripts/build-windows.sh);
#   2. runs every unit and window test under Wine, offscreen, in a temporary
#      Wine prefix, each with a time limit; Qt Test writes its results to a
#      file, and the exit code is the number of failed tests;
#   3. makes the ZIP (scripts/package-windows.sh), and runs Kestrune.exe under
#      Wine on a private X server, driven with xdotool as a user would: first
#      the unpacked ZIP alone, then the end-to-end run (tests/e2e/wine_run.sh).
# Without an SDK it compiles every source for Windows as a syntax check
# (scripts/check-windows-syntax.sh), which needs the configured build/.
#
# Set KESTRUNE_WINDOWS_KEEP=1 to keep the test results and Wine prefixes.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
# shellcheck source=scripts/windows-sdk.sh
. "$root/scripts/windows-sdk.sh"

sdk=$(windows_sdk_folder) || {
  [ $? -eq 1 ] || exit 1
  echo "Windows stage: no Windows SDK (KESTRUNE_WINDOWS_SDK is unset and there is no ../shared/windows-sdk), so a syntax check only; scripts/make-windows-sdk.sh makes an SDK."
  exec "$root/scripts/check-windows-syntax.sh" "$@"
}

# Tests that cannot mean anything on Windows, each with its reason. Every
# other test of the Windows build runs.
accessibility="a shell script that drives the Linux program through its accessibility bus"
declare -A left_out=(
  [e2e_first_run]=$accessibility
  [e2e_second_run]=$accessibility
  [e2e_entries]=$accessibility
  [e2e_help_about]=$accessibility
  [e2e_one_writer]=$accessibility
  [e2e_sealed]=$accessibility
  [e2e_find_generate]=$accessibility
  [e2e_import_export]=$accessibility
  [e2e_conflict_copy]=$accessibility
  [e2e_lock]=$accessibility
  [e2e_shared_file]=$accessibility
  [e2e_syncthing]="two Linux programs over folders kept the same by Linux syncthing instances"
  [e2e_window_manager]="a shell script that drives the Linux program under a Linux window manager"
  [e2e_installed_program]="the Linux install and its desktop menu entry"
  [scripts_install_user]="the Linux install, its desktop menu entry and the run command"
  [scripts_layers]="a check of the sources' includes, the same on every platform"
)
# The longest any one test may take under Wine.
readonly TEST_TIMEOUT=${KESTRUNE_WINDOWS_TEST_TIMEOUT:-300}

for tool in /usr/lib/wine/wine64 /usr/lib/wine/wineserver Xvfb xdotool zip unzip python3; do
  command -v "$tool" >/dev/null ||
    { echo "Windows stage: $tool is missing (scripts/install-deps.sh installs it)" >&2; exit 1; }
done
readonly WINE=/usr/lib/wine/wine64
start=$(date +%s)

build=$("$root/scripts/build-windows.sh")
built=$(date +%s)
echo "Windows stage: built in $((built - start)) s"

# The program's version resource and icon, read back from Kestrune.exe.
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
resources=$(x86_64-w64-mingw32-windres -i "$build/src/Kestrune.exe" -O rc)
version_string="${version%%.*}.$(printf '%02d' "$(echo "$version" | cut -d. -f2)")"
for want in '"IDI_ICON1" 14 /\* RT_GROUP_ICON \*/' "VALUE \"CompanyName\", \"Kestrune Project\"" \
  "VALUE \"ProductName\", \"Kestrune\"" "VALUE \"FileVersion\", \"$version_string\"" \
  "VALUE \"OriginalFilename\", \"Kestrune.exe\""; do
  grep -q "$want" <<<"$resources" ||
    { echo "Windows stage: Kestrune.exe has no resource matching: $want" >&2; exit 1; }
done

work=$(mktemp -d "${TMPDIR:-/tmp}/kestrune-windows.XXXXXX")
prefixes=()
cleanup() {
  local rc=$? prefix
  for prefix in "${prefixes[@]}"; do
    # Ends the Wine processes of our own prefixes, and their servers.
    WINEPREFIX=$prefix /usr/lib/wine/wineserver -k 2>/dev/null || true
  done
  if [ "${KESTRUNE_WINDOWS_KEEP:-0}" = 1 ]; then
    echo "Windows stage: kept $work"
  else
    rm -rf "$work"
  fi
  exit "$rc"
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

# Windows paths of Linux ones: Wine's drive Z: is the root folder.
windows_path() {
  printf 'Z:%s' "${1//\//\\}"
}

# A fresh prefix: Wine's own Windows folder and registry, private to this run.
new_prefix() {
  local prefix="$work/$1"
  mkdir -p "$prefix"
  WINEPREFIX=$prefix WINEDEBUG=-all "$WINE" wineboot -i >"$work/$1.boot.log" 2>&1
}
# Both prefixes boot at the same time: the tests' and the desktop's (the
# end-to-end run finds only its own settings in its registry).
new_prefix tests &
boot_tests=$!
new_prefix desktop &
boot_desktop=$!
prefixes+=("$work/tests" "$work/desktop")
wait "$boot_tests" || { cat "$work/tests.boot.log" >&2; exit 1; }

export WINEDEBUG=-all LANG=C.UTF-8 LC_ALL=C.UTF-8
export WINEPREFIX="$work/tests"
# Wine hands no QT_* variable of this environment to a Windows program: they
# go into the Windows environment of the prefix's user. The fonts are
# Debian's, for the offscreen platform, which does not read Windows' own.
# reg.exe can fail while the prefix is still settling after its boot: it is
# tried again, and a last failure is told.
user_environment() {
  local _
  for _ in 1 2 3 4 5; do
    "$WINE" reg add 'HKCU\Environment' /v "$1" /d "$2" /f >/dev/null 2>&1 && return 0
    sleep 2
  done
  echo "Windows stage: could not set $1 in the Wine prefix's registry" >&2
  exit 1
}
user_environment QT_QPA_PLATFORM offscreen
user_environment QT_QPA_FONTDIR "$(windows_path /usr/share/fonts/truetype/dejavu)"
# Qt and libsodium from the SDK, and the MinGW runtime.
WINEPATH="$(windows_path "$sdk/bin")"
while read -r folder; do
  WINEPATH+=";$(windows_path "$folder")"
done < <(windows_runtime_folders)
export WINEPATH

# --- the unit and window tests -------------------------------------------------
# Every test of the build's CTest list, as name, program and arguments (paths
# turned into Windows paths), one per line, separated by tabs.
(cd "$build" && ctest --show-only=json-v1) | python3 -c '
import json, sys
for test in json.load(sys.stdin)["tests"]:
    command = test.get("command") or []
    words = [("Z:" + w.replace("/", "\\")) if w.startswith("/") else w for w in command]
    print("\t".join([test["name"]] + words))
' >"$work/tests.tsv"

: >"$work/run.tsv"
while IFS=$'\t' read -r name program arguments; do
  if [ -n "${left_out[$name]:-}" ]; then
    echo "Windows stage: left out $name: ${left_out[$name]}"
  elif [[ "$program" != *.exe ]]; then
    echo "Windows stage: $name is not a Windows program, and the list of tests left out does not name it" >&2
    exit 1
  else
    printf '%s\t%s\t%s\n' "$name" "$program" "$arguments" >>"$work/run.tsv"
  fi
done <"$work/tests.tsv"

mkdir -p "$work/results"
# Runs the test on line $1 of run.tsv; prints one line: name, result, time.
# A Qt Test writes its results to a file (its output does not reach this
# terminal under Wine); the fuzz replays say only their exit code.
run_test() {
  local name program arguments began rc totals=""
  IFS=$'\t' read -r name program arguments < <(sed -n "${1}p" "$work/run.tsv")
  local result="$work/results/$name.txt" output=()
  [[ "$name" == fuzz_replay_* ]] || output=(-o "$(windows_path "$result"),txt")
  began=$(date +%s)
  set +e
  # shellcheck disable=SC2086 # the arguments are words
  timeout -k 10 "$TEST_TIMEOUT" "$WINE" "$program" $arguments "${output[@]}" \
    >"$work/results/$name.out" 2>&1
  rc=$?
  set -e
  local took=$(($(date +%s) - began))
  if [ "${#output[@]}" -gt 0 ]; then
    # Qt Test ends its lines on Windows with CR LF.
    totals=$(tr -d '\r' <"$result" 2>/dev/null | sed -n 's/^Totals: \(.*\), [0-9]*ms$/\1/p' || true)
  fi
  if [ "$rc" -eq 124 ] || [ "$rc" -eq 137 ]; then
    printf 'FAIL %s: still running after %s s\n' "$name" "$TEST_TIMEOUT"
  elif [ "$rc" -ne 0 ]; then
    printf 'FAIL %s: exit code %s, %s (%s s)\n' "$name" "$rc" "${totals:-no totals}" "$took"
  elif [ "${#output[@]}" -gt 0 ] && [ -z "$totals" ]; then
    printf 'FAIL %s: ended without its totals (%s s)\n' "$name" "$took"
  else
    printf 'ok   %s: %s (%s s)\n' "$name" "${totals:-all inputs replayed}" "$took"
  fi
}
export -f run_test windows_path
export work WINE TEST_TIMEOUT
count=$(wc -l <"$work/run.tsv")
echo "Windows stage: $count tests under Wine, $(nproc) at a time"
seq "$count" | xargs -P "$(nproc)" -I{} bash -c 'run_test {}' | tee "$work/summary.txt"
if grep -q '^FAIL' "$work/summary.txt"; then
  sed -n 's/^FAIL \([^:]*\):.*/\1/p' "$work/summary.txt" | while read -r name; do
    echo "=== $name" >&2
    tr -d '\r' <"$work/results/$name.txt" 2>/dev/null | grep -A4 '^FAIL!' >&2 || tail -n 20 "$work/results/$name.out" >&2
  done
  echo "Windows stage: $(grep -c '^FAIL' "$work/summary.txt") of $count tests failed under Wine" >&2
  exit 1
fi
tested=$(date +%s)
echo "Windows stage: $count tests passed under Wine in $((tested - built)) s"

# --- the ZIP and the program on a desktop ----------------------------------------
wait "$boot_desktop" || { cat "$work/desktop.boot.log" >&2; exit 1; }
zip=$(KESTRUNE_WINDOWS_BUILD=$build "$root/scripts/package-windows.sh" "$work/dist" | sed 's/ (.*//')
echo "Windows stage: $(basename "$zip"), $(du -k "$zip" | cut -f1) KiB"
# One folder with the program, its help, its icon, the README, Qt with the
# three plugins, libsodium and the MinGW runtime.
expected=(Kestrune.exe Help.rtf kestrune.ico README.txt Qt6Core.dll Qt6Gui.dll Qt6Widgets.dll
  platforms/qwindows.dll styles/qwindowsvistastyle.dll imageformats/qjpeg.dll libsodium-23.dll
  libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll)
folder=$(basename "$zip" .zip)
diff <(printf "$folder/%s\n" "${expected[@]}" | LC_ALL=C sort) \
  <(unzip -Z1 "$zip" | grep -v '/$' | LC_ALL=C sort) >"$work/zip.diff" ||
  { echo "Windows stage: the ZIP does not hold what it should (< missing, > not expected):" >&2
    cat "$work/zip.diff" >&2; exit 1; }
WINEPREFIX="$work/desktop" bash "$root/tests/e2e/wine_run.sh" "$build/src/Kestrune.exe" "$zip" \
  "$build/tests/platform/tst_WindowsPlatform.exe"
echo "Windows stage: passed in $(($(date +%s) - start)) s (build $((built - start)) s, tests $((tested - built)) s, ZIP and end-to-end $(($(date +%s) - tested)) s)"
