#!/usr/bin/env bash
# The per-user install behind the run command (scripts/install-user.sh), with
# a temporary HOME and a copy of the script in a temporary checkout whose
# build/src may hold a vault of the earlier layout. The program comes from an
# already built tree (KESTRUNE_PREBUILT), so nothing is built here. Needs no
# display.
#
# Usage: install_user.sh BUILD-TREE
set -euo pipefail

build=$(cd "${1:?usage: $0 BUILD-TREE}" && pwd)
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(cd "$here/../.." && pwd)
[ -x "$build/src/Kestrune" ] || { echo "FAIL: no program in $build/src"; exit 1; }

tmp=$(mktemp -d "${TMPDIR:-/tmp}/kestrune-install-user.XXXXXX")
trap 'rm -rf "$tmp"' EXIT
# The install names folders by their real path, symbolic links resolved.
tmp=$(cd "$tmp" && pwd -P)
export HOME="$tmp/home" KESTRUNE_PREBUILT="$build"
unset XDG_DATA_HOME KESTRUNE_PROGRAM_DIR
mkdir -p "$HOME"
checkout="$tmp/checkout"
mkdir -p "$checkout/scripts"
cp "$root/scripts/install-user.sh" "$root/scripts/build-program.sh" "$checkout/scripts/"
old_vault="$checkout/build/src/data.enc"
folder="$HOME/.local/share/Kestrune"
case_name=""

fail() {
  echo "FAIL [$case_name]: $*" >&2
  [ ! -s "$tmp/output" ] || sed 's/^/  | /' "$tmp/output" >&2
  exit 1
}
ok() { echo "ok - $case_name"; }

# install [fails]: runs the install; it must succeed, or with "fails" fail.
install() {
  local rc=0
  "$checkout/scripts/install-user.sh" >"$tmp/output" 2>&1 || rc=$?
  if [ "${1:-}" = fails ]; then
    [ "$rc" -ne 0 ] || fail "the install succeeded, but should have refused"
  else
    [ "$rc" -eq 0 ] || fail "the install failed (exit code $rc)"
  fi
}

said() {
  grep -qF -- "$1" "$tmp/output" || fail "the install did not say '$1'"
}

mode_is() {
  [ "$(stat -c %a "$1")" = "$2" ] || fail "$1 has mode $(stat -c %a "$1"), expected $2"
}

same_bytes() {
  cmp -s "$1" "$2" || fail "$1 does not hold the same bytes as $2"
}

# A vault whose bytes are every byte value, in a file only its owner can read.
make_vault() {
  mkdir -p "$(dirname "$1")"
  python3 -c 'import sys; sys.stdout.buffer.write(bytes(range(256)) * 3 + sys.argv[1].encode())' "$2" >"$1"
  chmod "${3:-600}" "$1"
}

# -----------------------------------------------------------------------------
case_name="first install: a private folder in the user's data folder, in the menu"
install
[ -d "$folder" ] || fail "no program folder at $folder"
mode_is "$folder" 700
same_bytes "$folder/Kestrune" "$build/src/Kestrune"
same_bytes "$folder/Help.rtf" "$root/resources/Help.rtf"
[ ! -e "$folder/data.enc" ] || fail "the install made a data.enc; the program makes it"
said "$folder"
exec_line=$(python3 "$here/desktop_entry.py" "$HOME/.local/share/applications/kestrune.desktop" Exec)
[ "$exec_line" = "$folder/Kestrune" ] || fail "the menu entry starts '$exec_line'"
ok

# -----------------------------------------------------------------------------
case_name="a vault of the earlier layout moves into the new folder"
make_vault "$old_vault" old 644
cp "$old_vault" "$tmp/old-vault"
install
same_bytes "$folder/data.enc" "$tmp/old-vault"
mode_is "$folder/data.enc" 600
[ ! -e "$old_vault" ] || fail "the old vault $old_vault is still there"
[ -z "$(find "$folder" -name '.*')" ] || fail "the move left $(find "$folder" -name '.*')"
said "Moved your vault from $old_vault to $folder/data.enc"
ok

# -----------------------------------------------------------------------------
case_name="installing again after build/ was removed replaces the program, not the vault"
rm -rf "$checkout/build"
echo "an older program" >"$folder/Kestrune"
echo "an older guide" >"$folder/Help.rtf"
install
same_bytes "$folder/data.enc" "$tmp/old-vault"
mode_is "$folder/data.enc" 600
mode_is "$folder" 700
same_bytes "$folder/Kestrune" "$build/src/Kestrune"
same_bytes "$folder/Help.rtf" "$root/resources/Help.rtf"
ok

# -----------------------------------------------------------------------------
case_name="an existing vault is never overwritten by an old one"
make_vault "$old_vault" other
cp "$old_vault" "$tmp/other-vault"
install
same_bytes "$folder/data.enc" "$tmp/old-vault"
same_bytes "$old_vault" "$tmp/other-vault"
said "Two vaults: $folder/data.enc"
said "$old_vault"
ok

# -----------------------------------------------------------------------------
case_name="KESTRUNE_PROGRAM_DIR chooses the folder; one of other files, or in the checkout, is refused"
export KESTRUNE_PROGRAM_DIR="$tmp/my programs/Kestrune"
rm -f "$old_vault"
install
mode_is "$KESTRUNE_PROGRAM_DIR" 700
same_bytes "$KESTRUNE_PROGRAM_DIR/Kestrune" "$build/src/Kestrune"
exec_line=$(python3 "$here/desktop_entry.py" "$HOME/.local/share/applications/kestrune.desktop" Exec)
[ "$exec_line" = "$KESTRUNE_PROGRAM_DIR/Kestrune" ] || fail "the menu entry starts '$exec_line'"
export KESTRUNE_PROGRAM_DIR="$tmp/papers"
mkdir -p "$KESTRUNE_PROGRAM_DIR"
echo "letter" >"$KESTRUNE_PROGRAM_DIR/letter.txt"
chmod 755 "$KESTRUNE_PROGRAM_DIR"
install fails
[ ! -e "$KESTRUNE_PROGRAM_DIR/Kestrune" ] || fail "the program was installed among other files"
mode_is "$KESTRUNE_PROGRAM_DIR" 755
export KESTRUNE_PROGRAM_DIR="$checkout/build/src"
install fails
[ ! -e "$KESTRUNE_PROGRAM_DIR/Kestrune" ] || fail "the program was installed inside the checkout"
ok

echo "5 passed, 0 failed"
