#!/usr/bin/env bash
# Makes the release archive for Linux, Kestrune-<version>-Linux-<arch>.tar.gz,
# in dist/ (or the folder given as the only argument). It holds one folder:
# the program, Help.rtf, the icon, add-to-menu.sh (which writes the desktop
# entry for the place where the folder was unpacked, and installs the icons)
# and README.txt. The program uses Qt from the system.
#
# Installs what is missing and builds the program in build/ first. For the
# tests, KESTRUNE_PREBUILT names a build tree that is already built: nothing
# is installed from the package registry and nothing is built.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=${1:-$root/dist}

build=$("$root/scripts/build-program.sh")

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
[ -n "$version" ] || { echo "package.sh: no version in $build/CMakeCache.txt" >&2; exit 1; }
name="Kestrune-$version-Linux-$(uname -m)"

stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
mkdir -m 0700 "$stage/$name"
# Only the program folder: the desktop entry is made where the folder lands.
cmake --install "$build" --prefix "$stage/$name" --component Program --strip >/dev/null
install -m 0644 "$root/resources/archive/README.txt" "$stage/$name/README.txt"

mkdir -p "$out"
out=$(cd "$out" && pwd)
# The same sources give the same archive: fixed order, owner and times.
stamp=${SOURCE_DATE_EPOCH:-$(git -C "$root" log -1 --format=%ct 2>/dev/null || date +%s)}
tar -C "$stage" --sort=name --owner=0 --group=0 --numeric-owner --mtime="@$stamp" \
  -cf - "$name" | gzip -9n >"$out/$name.tar.gz.part"
mv -f "$out/$name.tar.gz.part" "$out/$name.tar.gz"
echo "$out/$name.tar.gz ($(du -k "$out/$name.tar.gz" | cut -f1) KiB)"
