#!/usr/bin/env bash
# Builds Kestrune for 64-bit Windows in build-windows/ (or the folder given as
# the only argument): Kestrune.exe with its version resource and icon, and
# every unit and window test as an .exe. Cross-compiled with Debian's mingw-w64
# against the Windows SDK (see scripts/windows-sdk.sh for where it is found);
# Qt's host tools (moc, rcc) come from Debian's qt6-base-dev-tools. Prints the
# build folder; the build's own output goes to standard error.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
# shellcheck source=scripts/windows-sdk.sh
. "$root/scripts/windows-sdk.sh"
build=${1:-$root/build-windows}

sdk=$(windows_sdk_folder) || {
  echo "build-windows.sh: no Windows SDK: set KESTRUNE_WINDOWS_SDK, or make one with scripts/make-windows-sdk.sh" >&2
  exit 1
}

launcher=()
if command -v ccache >/dev/null; then
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
fi
{
  # pkg-config sees the SDK's .pc files and nothing of this machine's.
  export PKG_CONFIG_LIBDIR="$sdk/lib/pkgconfig" PKG_CONFIG_PATH="" PKG_CONFIG_SYSROOT_DIR=""
  # ICU is the one optional library that CMake would look for; Windows sorts
  # with its own collation. A warning of the Windows build fails it.
  cmake -S "$root" -B "$build" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$sdk/mingw-w64-x86_64.cmake" \
    -DCMAKE_PREFIX_PATH="$sdk" -DQT_HOST_PATH=/usr \
    -DCMAKE_BUILD_TYPE=Release -DKESTRUNE_BUILD_BENCHMARKS=OFF \
    -DCMAKE_DISABLE_FIND_PACKAGE_ICU=ON -DCMAKE_COMPILE_WARNING_AS_ERROR=ON "${launcher[@]}"
  cmake --build "$build" --parallel "${KESTRUNE_BUILD_JOBS:-$(nproc)}"
} >&2
echo "$build"
