#!/usr/bin/env bash
# The Windows stage of the test command when no Windows SDK is at hand (see
# scripts/test-windows.sh): compiles every source file of src/ with the
# mingw-w64 cross compiler against Linux Qt's headers (they see _WIN32 and
# define Q_OS_WIN, so every Windows branch is really compiled; without Qt for
# mingw nothing is linked), and the version resource with its windres. Fails
# on any error or warning.
#
# Needs the generated headers of a configured build tree: build/ by default,
# or the folder given as the only argument.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
generated="$build/src/generated"
cxx=x86_64-w64-mingw32-g++-posix
windres=x86_64-w64-mingw32-windres
qt=/usr/include/x86_64-linux-gnu/qt6

for tool in "$cxx" "$windres"; do
  command -v "$tool" >/dev/null || {
    echo "$tool is missing (scripts/install-deps.sh installs g++-mingw-w64-x86-64-posix)" >&2
    exit 1
  }
done
for file in VersionInfo.h kestrune.rc; do
  [ -f "$generated/$file" ] || { echo "no $generated/$file: configure the build first" >&2; exit 1; }
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
start=$(date +%s)

# libsodium's headers are portable, so the Linux ones serve; they stand alone
# in a folder of their own, since /usr/include would put Linux's C headers
# before mingw's.
[ -f /usr/include/sodium.h ] || { echo "no /usr/include/sodium.h (libsodium-dev)" >&2; exit 1; }
mkdir "$work/sodium"
ln -s /usr/include/sodium.h /usr/include/sodium "$work/sodium/"

# One compiler per core; each writes its messages to a log of its own.
mapfile -t sources < <(cd "$root" && find src -name '*.cpp' | sort)
# shellcheck disable=SC2016 # the inner shell expands its own arguments
printf '%s\n' "${sources[@]}" | (cd "$root" && xargs -P "$(nproc)" -I{} sh -c '
  log="$1/$(echo "$2" | tr / _).log"
  "$3" -std=c++20 -fsyntax-only -Wall -Wextra -Wpedantic -Werror \
    -isystem "$4" -isystem "$4/QtCore" -isystem "$4/QtGui" -isystem "$4/QtWidgets" \
    -isystem "$6" -Isrc -I"$5" "$2" >"$log" 2>&1 || echo "$2" >>"$1/failed"
' _ "$work" {} "$cxx" "$qt" "$generated" "$work/sodium")

"$windres" "$generated/kestrune.rc" -O coff -o "$work/kestrune.res" >"$work/windres.log" 2>&1 ||
  echo "$generated/kestrune.rc" >>"$work/failed"

if [ -s "$work/failed" ]; then
  echo "Windows build check failed for:" >&2
  sort "$work/failed" | sed 's/^/  /' >&2
  cat "$work"/*.log >&2
  exit 1
fi
echo "Windows build check: ${#sources[@]} source files and the version resource compile ($(($(date +%s) - start)) s)."
