#!/usr/bin/env bash
# Makes the release archive for Windows, Kestrune-<version>-Windows-x86_64.zip,
# in dist/ (or the folder given as the only argument). It holds one folder:
# Kestrune.exe, Help.rtf, kestrune.ico, README.txt and exactly the DLLs the
# program needs, found by following the DLL imports of the program and of the
# Qt plugins it loads, from the Windows SDK and Debian's MinGW runtime. What
# Windows itself provides (KERNEL32.dll, USER32.dll, ...) is not in it. The
# folder runs as it is, wherever it is unpacked.
#
# Builds the program with scripts/build-windows.sh first. KESTRUNE_WINDOWS_BUILD
# names a Windows build tree that is already built: then nothing is built.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
# shellcheck source=scripts/windows-sdk.sh
. "$root/scripts/windows-sdk.sh"
out=${1:-$root/dist}

sdk=$(windows_sdk_folder) || {
  echo "package-windows.sh: no Windows SDK: set KESTRUNE_WINDOWS_SDK, or make one with scripts/make-windows-sdk.sh" >&2
  exit 1
}
build=${KESTRUNE_WINDOWS_BUILD:-$("$root/scripts/build-windows.sh")}
objdump=x86_64-w64-mingw32-objdump
strip=x86_64-w64-mingw32-strip

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
[ -n "$version" ] || { echo "package-windows.sh: no version in $build/CMakeCache.txt" >&2; exit 1; }
name="Kestrune-$version-Windows-x86_64"

stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
folder="$stage/$name"
mkdir -p "$folder"
cmake --install "$build" --prefix "$folder" --component Program --strip >/dev/null
[ -f "$folder/Kestrune.exe" ] || { echo "package-windows.sh: the install made no Kestrune.exe" >&2; exit 1; }
# Notepad of older Windows shows only CR LF line ends.
sed 's/$/\r/' "$root/resources/archive/README-Windows.txt" >"$folder/README.txt"

# The plugins Qt loads from the program's folder: the Windows platform, the
# style of the Windows desktop, and the reader of the splash picture (JPEG).
plugins=(platforms/qwindows.dll styles/qwindowsvistastyle.dll imageformats/qjpeg.dll)
for plugin in "${plugins[@]}"; do
  mkdir -p "$folder/$(dirname "$plugin")"
  install -m 0644 "$sdk/plugins/$plugin" "$folder/$plugin"
done

# Where the DLLs come from; a DLL found in none of them belongs to Windows.
mapfile -t sources < <(printf '%s\n' "$sdk/bin"; windows_runtime_folders)
find_dll() {
  local dir
  for dir in "${sources[@]}"; do
    if [ -f "$dir/$1" ]; then
      printf '%s\n' "$dir/$1"
      return 0
    fi
  done
  return 1
}
imports() {
  "$objdump" -p "$1" | sed -n 's/^[[:space:]]*DLL Name: //p'
}

# Follows the imports from the program and the plugins, each DLL once.
declare -A shipped=()
pending=("$folder/Kestrune.exe")
for plugin in "${plugins[@]}"; do
  pending+=("$folder/$plugin")
done
while [ "${#pending[@]}" -gt 0 ]; do
  file=${pending[0]}
  pending=("${pending[@]:1}")
  while read -r dll; do
    key=${dll,,}
    [ -z "${shipped[$key]:-}" ] || continue
    if found=$(find_dll "$dll"); then
      shipped[$key]=$dll
      install -m 0644 "$found" "$folder/$dll"
      # The runtime DLLs come with their symbols; the SDK's are stripped.
      "$strip" --strip-unneeded "$folder/$dll"
      pending+=("$folder/$dll")
    fi
  done < <(imports "$file")
done

mkdir -p "$out"
out=$(cd "$out" && pwd)
# The same sources give the same archive: fixed order and times.
stamp=${SOURCE_DATE_EPOCH:-$(git -C "$root" log -1 --format=%ct 2>/dev/null || date +%s)}
find "$stage" -exec touch -h -d "@$stamp" {} +
rm -f "$out/$name.zip.part"
(cd "$stage" && find "$name" -print | LC_ALL=C sort | zip -X -9 -q "$out/$name.zip.part" -@)
mv -f "$out/$name.zip.part" "$out/$name.zip"
echo "$out/$name.zip ($(du -k "$out/$name.zip" | cut -f1) KiB)"
