# shellcheck shell=bash
# Sourced by the Windows scripts: finds the Windows SDK (Qt and libsodium
# cross-built for x86_64-w64-mingw32, with a CMake toolchain file; made by
# scripts/make-windows-sdk.sh) and names the files taken from it.
#
# The SDK is the folder KESTRUNE_WINDOWS_SDK names, or else ../shared/windows-sdk
# beside the repository when that folder exists.

KESTRUNE_ROOT=${KESTRUNE_ROOT:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}

# Prints the SDK folder, or nothing (and returns 1) when there is none.
# Fails with a message when KESTRUNE_WINDOWS_SDK names a folder that is not one.
windows_sdk_folder() {
  local sdk
  if [ -n "${KESTRUNE_WINDOWS_SDK:-}" ]; then
    sdk=$KESTRUNE_WINDOWS_SDK
  elif [ -d "$KESTRUNE_ROOT/../shared/windows-sdk" ]; then
    sdk=$KESTRUNE_ROOT/../shared/windows-sdk
  else
    return 1
  fi
  sdk=$(cd "$sdk" 2>/dev/null && pwd) || { echo "no Windows SDK at $sdk" >&2; return 2; }
  local need
  for need in mingw-w64-x86_64.cmake bin/Qt6Core.dll bin/Qt6Gui.dll bin/Qt6Widgets.dll \
    bin/Qt6Test.dll bin/libsodium-23.dll lib/cmake/Qt6/Qt6Config.cmake lib/pkgconfig/libsodium.pc \
    include/zxcvbn.h lib/libzxcvbn.a \
    plugins/platforms/qwindows.dll plugins/platforms/qoffscreen.dll; do
    [ -e "$sdk/$need" ] || { echo "$sdk is not a Windows SDK: it has no $need" >&2; return 2; }
  done
  printf '%s\n' "$sdk"
}

# The folders of Debian's MinGW runtime DLLs (libstdc++-6, libgcc_s_seh-1,
# libwinpthread-1).
windows_runtime_folders() {
  local gcc
  gcc=$(dirname "$(x86_64-w64-mingw32-g++-posix -print-libgcc-file-name)")
  printf '%s\n' "$gcc" /usr/x86_64-w64-mingw32/lib
}
