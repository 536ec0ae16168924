#!/usr/bin/env bash
# Installs what is missing, builds Kestrune and installs it into a program
# folder of the user's own, outside the source tree:
#
#   KESTRUNE_PROGRAM_DIR, by default ~/.local/share/Kestrune
#
# The folder is made owner-only (0700). It holds the program, Help.rtf, the
# icon and the vault, data.enc, which the program keeps beside itself. The
# install also puts Kestrune in the desktop's menu (~/.local/share/applications
# and the icons in ~/.local/share/icons). Installing again, after a `git pull`
# or after removing build/, replaces the program's files and never touches
# data.enc.
#
# A vault made before Kestrune had a folder of its own sits in build/src. When
# the program folder has no data.enc yet, that vault is moved there (copied,
# compared byte for byte, then removed). An existing data.enc is never
# overwritten: the old one then stays where it is, and this says so.
#
# scripts/run.sh runs this and then starts the installed program. For the
# tests, KESTRUNE_PREBUILT names a build tree that is already built: nothing
# is installed from the package registry, nothing is built, and the program
# comes from that tree.
set -euo pipefail

KESTRUNE_PROGRAM_DIR=${KESTRUNE_PROGRAM_DIR:-${HOME:?HOME is not set}/.local/share/Kestrune}

kestrune_install_user() {
  local root build dir old new
  root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
  dir=$KESTRUNE_PROGRAM_DIR

  build=$("$root/scripts/build-program.sh")

  # The vault must outlive the checkout: removing build/ or `git clean` must
  # not take it along.
  dir=$(realpath -m "$dir")
  case "$dir/" in
  "$(realpath -m "$root")/"*)
    echo "$dir is inside the source tree, where a clean-up would take the vault along:" >&2
    echo "not installing there. Set KESTRUNE_PROGRAM_DIR to a folder outside it." >&2
    return 1
    ;;
  esac
  # A folder that already holds other things is not a program folder of ours.
  if [ -d "$dir" ] && [ -n "$(ls -A "$dir")" ] && [ ! -e "$dir/Kestrune" ] && [ ! -e "$dir/data.enc" ]; then
    echo "$dir holds other files but no Kestrune: not installing there." >&2
    echo "Set KESTRUNE_PROGRAM_DIR to an empty or new folder." >&2
    return 1
  fi
  mkdir -p "$dir"
  chmod 0700 "$dir"
  KESTRUNE_PROGRAM_DIR=$dir

  cmake --install "$build" --prefix "$dir"

  old="$root/build/src/data.enc"
  new="$dir/data.enc"
  if [ -e "$old" ]; then
    if [ -e "$new" ]; then
      echo "Two vaults: $new (the one Kestrune uses) and an older one, $old."
      echo "The older one was left where it is; nothing was overwritten."
    else
      kestrune_move_vault "$old" "$new"
    fi
  fi
  echo "Kestrune is installed in $dir; its vault is $new."
}

# kestrune_move_vault OLD NEW: copies the vault to a temporary name beside NEW,
# makes it owner-only, compares it byte for byte, renames it to NEW and only
# then removes OLD.
kestrune_move_vault() {
  local old=$1 new=$2 part
  part="$(dirname "$new")/.data.enc.moving"
  rm -f "$part"
  cp "$old" "$part"
  chmod 0600 "$part"
  if ! cmp -s "$old" "$part"; then
    rm -f "$part"
    echo "Could not copy the vault $old to $new; it was left where it is." >&2
    return 1
  fi
  mv -n "$part" "$new"
  if [ -e "$part" ] || ! cmp -s "$old" "$new"; then
    rm -f "$part"
    echo "Could not move the vault $old to $new; it was left where it is." >&2
    return 1
  fi
  rm -f "$old"
  echo "Moved your vault from $old to $new."
}

kestrune_install_user
