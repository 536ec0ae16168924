#!/usr/bin/env bash
# End-to-end: Kestrune installed by `cmake --install` into a folder of its own
# and unpacked from the release archive (scripts/package.sh) starts where it
# was put and keeps data.enc beside itself; the desktop entry that the install
# writes is valid and starts that very program. Everything from this build
# tree, into temporary folders with a temporary HOME.
#
# Usage: installed_program.sh BUILD-TREE

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source-path=SCRIPTDIR source=../e2e/lib.sh
source "$here/../e2e/lib.sh"
build=$(cd "${1:?usage: $0 BUILD-TREE}" && pwd)
root=$(cd "$here/../.." && pwd)
e2e_begin "$build/src/Kestrune"

# The menu entry names the program by its real path, symbolic links resolved.
real_root=$(cd "$E2E_ROOT" && pwd -P)
command -v desktop-file-validate >/dev/null ||
  e2e_missing "desktop-file-validate is not installed (scripts/install-deps.sh installs desktop-file-utils)"

# expect_menu_entry DATA-HOME PROGRAM: the desktop entry in DATA-HOME passes
# desktop-file-validate (hints allowed), its command line is PROGRAM and
# nothing else, and its icon is in the theme in every size, each that size.
expect_menu_entry() {
  local entry="$1/applications/kestrune.desktop" report size icon width
  [ -f "$entry" ] || e2e_fail "no desktop entry at $entry"
  report=$(desktop-file-validate "$entry" 2>&1) || e2e_fail "desktop-file-validate: $report"
  ! grep -qE ': (error|warning):' <<<"$report" || e2e_fail "desktop-file-validate: $report"
  [ "$("$E2E_PYTHON" "$here/desktop_entry.py" "$entry" Exec)" = "$2" ] ||
    e2e_fail "the entry's command line is '$("$E2E_PYTHON" "$here/desktop_entry.py" "$entry" Exec)', expected '$2'"
  [ "$("$E2E_PYTHON" "$here/desktop_entry.py" "$entry" Icon)" = kestrune ] || e2e_fail "the entry's icon is not kestrune"
  grep -qx 'Categories=Utility;Security;' "$entry" || e2e_fail "the entry is not under Utility and Security"
  for size in 16 32 48 64 128 256; do
    icon="$1/icons/hicolor/${size}x${size}/apps/kestrune.png"
    [ -f "$icon" ] || e2e_fail "no icon at $icon"
    # A PNG's width is the 4 bytes from offset 16.
    width=$(od -An -tu1 -j16 -N4 "$icon" | awk '{ print $1 * 16777216 + $2 * 65536 + $3 * 256 + $4 }')
    [ "$width" = "$size" ] || e2e_fail "$icon is $width pixels wide"
  done
}

# expect_fresh_start FOLDER: the program in FOLDER starts in create mode and
# makes an empty data.enc beside itself, private to its owner.
expect_fresh_start() {
  e2e_start "$1"
  e2e_expect_create_mode
  e2e_expect_bytes "$1/data.enc" "0d 0a" "data.enc made at the first start"
  e2e_expect_mode "$1/data.enc" 600
  [ ! -e "$E2E_WORKING_DIR/data.enc" ] || e2e_fail "data.enc was made in the working folder"
}

# -----------------------------------------------------------------------------
e2e_case "installed into a folder of its own, started from the menu entry"
prefix="$real_root/My Kestrune (100%)"
cmake --install "$build" --prefix "$prefix" >"$E2E_ROOT/install.log" 2>&1 ||
  e2e_fail "cmake --install failed: $(cat "$E2E_ROOT/install.log")"
expect_menu_entry "$XDG_DATA_HOME" "$prefix/Kestrune"
# Started as the desktop would start it: the program the entry names.
program=$("$E2E_PYTHON" "$here/desktop_entry.py" "$XDG_DATA_HOME/applications/kestrune.desktop" Exec)
expect_fresh_start "$(dirname "$program")"
e2e_type_into "$TITLE_PASSWORD" 1 "Secret1"
e2e_type_into "$TITLE_PASSWORD" 2 "Secret1"
e2e_key "$TITLE_PASSWORD" Return
e2e_wait_status "Password created successfully"
e2e_expect_bytes "$prefix/data.enc" "$SECRET1_FILE" "data.enc after creating the password"
# The guide was installed beside the program: the help window opens with it.
e2e_wait_window "$TITLE_HELP"
e2e_stop
e2e_case_passed

# -----------------------------------------------------------------------------
e2e_case "the release archive holds one folder that starts where it is unpacked"
KESTRUNE_PREBUILT="$build" "$root/scripts/package.sh" "$E2E_ROOT/dist" >"$E2E_ROOT/package.log" 2>&1 ||
  e2e_fail "scripts/package.sh failed: $(cat "$E2E_ROOT/package.log")"
archive=$(find "$E2E_ROOT/dist" -name '*.tar.gz')
name=$(basename "$archive" .tar.gz)
[[ $name =~ ^Kestrune-[0-9]+\.[0-9]+\.[0-9]+-Linux-$(uname -m)$ ]] || e2e_fail "the archive is called '$name'"
tops=$(tar -tzf "$archive" | cut -d/ -f1 | sort -u)
[ "$tops" = "$name" ] || e2e_fail "the archive holds more than the folder $name: $tops"
mkdir -m 700 "$E2E_ROOT/unpacked"
tar -xzf "$archive" -C "$E2E_ROOT/unpacked"
unpacked="$real_root/unpacked/$name"
for file in Kestrune Help.rtf kestrune.png README.txt add-to-menu.sh; do
  [ -f "$unpacked/$file" ] || e2e_fail "the archive has no $file"
done
[ ! -e "$unpacked/data.enc" ] || e2e_fail "the archive holds a data.enc"
e2e_expect_mode "$unpacked" 700
expect_fresh_start "$unpacked"
e2e_click "$TITLE_PASSWORD" "push button" "Cancel"
e2e_expect_exit 0
# The folder's own helper puts it in the menu, and takes it out again.
XDG_DATA_HOME="$E2E_ROOT/menu" bash "$unpacked/add-to-menu.sh" >/dev/null
expect_menu_entry "$E2E_ROOT/menu" "$unpacked/Kestrune"
XDG_DATA_HOME="$E2E_ROOT/menu" bash "$unpacked/add-to-menu.sh" --remove >/dev/null
[ -z "$(find "$E2E_ROOT/menu" -type f)" ] || e2e_fail "--remove left $(find "$E2E_ROOT/menu" -type f)"
e2e_case_passed

e2e_summary
