#!/usr/bin/env bash
# The build refuses an include that runs against the layers. A copy of the
# sources configures; then includes are planted in it (upward ones, one in a
# new file, one downward) and a source in a folder outside the layers, and the
# next build stops in its configuration, naming every upward include by file
# and line and the stray source, and leaving the downward include alone.
# Nothing is compiled. Needs cmake and ninja.
#
# Usage: layers.sh
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(cd "$here/../.." && pwd)
tmp=$(mktemp -d "${TMPDIR:-/tmp}/kestrune-layers.XXXXXX")
trap 'rm -rf "$tmp"' EXIT
tree="$tmp/tree"
mkdir "$tree"
cp -r "$root/CMakeLists.txt" "$root/cmake" "$root/src" "$root/resources" "$tree/"

fail() {
  echo "FAIL: $*"
  [ -f "$tmp/log" ] && cat "$tmp/log"
  exit 1
}

configure() {
  cmake -S "$tree" -B "$tmp/build" -G Ninja -DKESTRUNE_BUILD_TESTS=OFF \
    -DKESTRUNE_BUILD_BENCHMARKS=OFF >"$tmp/log" 2>&1
}

configure || fail "the sources as they are do not configure"

# plant FILE INCLUDE: the include becomes line 2 of src/FILE.
plant() {
  awk -v include="$2" '{ print } NR == 1 { print include }' "$tree/src/$1" >"$tmp/planted"
  mv "$tmp/planted" "$tree/src/$1"
}

# Each upward include, as the check must name it: file:line and the header.
upward=(
  'store/Entry.h|#include "widgets/Forms.h"|widgets/Forms.h'
  'platform/Clipboard.cpp|#include <store/Entry.h>|store/Entry.h'
  'dialogs/frmWebsite.cpp|#include "mainwindow/Form1.h"|mainwindow/Form1.h'
  'skin/SkinLabel.cpp|  #  include "dialogs/Dialog.h"|dialogs/Dialog.h'
  'widgets/Twips.cpp|#include "skin/modSkin.h"|skin/modSkin.h'
  'mainwindow/Form1.cpp|#include "app/frmSplash.h"|app/frmSplash.h'
)
for row in "${upward[@]}"; do
  IFS='|' read -r file include _ <<<"$row"
  plant "$file" "$include"
done
# An edit of a file that was there at the last configuration runs it again.
if ninja -C "$tmp/build" build.ninja >"$tmp/log" 2>&1; then
  fail "a build after an upward include was added went ahead"
fi
# A file that did not exist at the last configuration is checked too.
printf '#pragma once\n\n#include "widgets/ProgramIdentity.h"\n' >"$tree/src/store/Planted.h"
# A folder with no place among the layers.
mkdir "$tree/src/extra"
printf 'int planted = 0;\n' >"$tree/src/extra/Planted.cpp"
# Downward, and so allowed.
plant mainwindow/EntryList.cpp '#include "store/Entry.h"'

if ninja -C "$tmp/build" build.ninja >"$tmp/log" 2>&1; then
  fail "a build with upward includes went ahead"
fi
for row in "${upward[@]}"; do
  IFS='|' read -r file _ header <<<"$row"
  grep -qF "/src/$file:2: \"$header\" is above" "$tmp/log" ||
    fail "the upward include of $header in $file is not named"
done
grep -qF '/src/store/Planted.h:3: "widgets/ProgramIdentity.h" is above the store layer' "$tmp/log" ||
  fail "the new file's upward include is not named"
if grep -qF 'mainwindow/EntryList.cpp' "$tmp/log"; then
  fail "a downward include was refused"
fi
grep -qF '/src/extra/Planted.cpp' "$tmp/log" || fail "a source outside the layers is not named"
grep -qF '8 source(s) or include(s) stand against the layers' "$tmp/log" ||
  fail "the count of refusals is wrong"
echo "PASS: upward includes stop the build, each named by file and line"
