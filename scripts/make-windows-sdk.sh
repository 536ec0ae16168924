#!/usr/bin/env bash
# Makes the Windows SDK that scripts/build-windows.sh builds against, in FOLDER
# (which must not exist yet, or be empty): Qt 6.4.2 (Core, Gui, Widgets, Test,
# the Windows platform plugin and styles) and libsodium 1.0.18, cross-built
# for 64-bit Windows (x86_64-w64-mingw32, posix threads) with Debian's
# g++-mingw-w64-x86-64-posix, from Debian's own source packages, and the CMake
# toolchain file (cmake/mingw-w64-x86_64.cmake). Then point
# KESTRUNE_WINDOWS_SDK at FOLDER, or make it ../shared/windows-sdk beside the
# repository.
#
# It takes about 25 minutes on two cores and is not run by the test command.
# KESTRUNE_SDK_STEPS=prepare stops after the sources are unpacked and edited
# and Qt is configured (a few minutes), to check those steps alone.
#
# Usage: make-windows-sdk.sh FOLDER
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
[ $# -eq 1 ] || { echo "usage: $0 FOLDER" >&2; exit 2; }
mkdir -p "$1"
sdk=$(cd "$1" && pwd)
[ -z "$(ls -A "$sdk")" ] || { echo "make-windows-sdk.sh: $sdk is not empty" >&2; exit 1; }

readonly QT_VERSION=6.4.2+dfsg-10
readonly SODIUM_VERSION=1.0.18-1+deb12u1
jobs=${KESTRUNE_BUILD_JOBS:-$(nproc)}

# What the build needs besides the test command's packages: dpkg-source,
# Wine's wintab headers, and the autotools that make libsodium's configure.
"$root/scripts/install-deps.sh" dpkg-dev xz-utils libwine-dev autoconf automake libtool make perl

work=$(mktemp -d "${TMPDIR:-/tmp}/kestrune-sdk.XXXXXX")
trap 'rm -rf "$work"' EXIT
chmod 0755 "$work"
log() { printf '%s\n' "--- $*"; }

# --- 1. the sources ----------------------------------------------------------
# A source entry for each Debian entry of this system's own package sources,
# for this one download only: the system's lists are neither read nor changed.
mkdir -p "$work/apt/sources.list.d" "$work/apt/lists/partial" "$work/apt/cache/archives/partial"
python3 - "$work/apt/sources.list.d/debian-src.sources" <<'PY'
import glob, re, sys
debian = re.compile(r"https?://[^ ]*/debian(-security)?/?$")
stanzas = []
for path in sorted(glob.glob("/etc/apt/sources.list.d/*.sources")):
    for block in open(path).read().split("\n\n"):
        fields = {}
        for line in block.splitlines():
            if line.startswith("#") or ":" not in line:
                continue
            key, value = line.split(":", 1)
            fields[key.strip()] = value.strip()
        uris = fields.get("URIs", "").split()
        if "deb" in fields.get("Types", "").split() and uris and all(debian.match(u) for u in uris):
            fields["Types"] = "deb-src"
            stanzas.append(fields)
for path in ["/etc/apt/sources.list"] + sorted(glob.glob("/etc/apt/sources.list.d/*.list")):
    try:
        lines = open(path).read().splitlines()
    except OSError:
        continue
    for line in lines:
        m = re.match(r"^deb\s+(\[[^]]*\]\s+)?(\S+)\s+(\S+)\s+(.+)$", line.strip())
        if m and debian.match(m.group(2)):
            stanzas.append({"Types": "deb-src", "URIs": m.group(2), "Suites": m.group(3),
                            "Components": m.group(4),
                            "Signed-By": "/usr/share/keyrings/debian-archive-keyring.gpg"})
if not stanzas:
    sys.exit("no Debian package source on this system (/etc/apt/sources.list*)")
with open(sys.argv[1], "w") as out:
    out.write("\n\n".join("\n".join(f"{k}: {v}" for k, v in s.items()) for s in stanzas) + "\n")
PY
apt_options=(-o "Dir::Etc::SourceList=/dev/null" -o "Dir::Etc::SourceParts=$work/apt/sources.list.d"
  -o "Dir::State::Lists=$work/apt/lists" -o "Dir::Cache=$work/apt/cache")
if [ "$(id -u)" -eq 0 ]; then
  apt_options+=(-o "APT::Sandbox::User=root")
fi
log "downloading qt6-base $QT_VERSION and libsodium $SODIUM_VERSION"
apt-get "${apt_options[@]}" -qq update
(cd "$work" && apt-get "${apt_options[@]}" -q source --download-only \
  "qt6-base=$QT_VERSION" "libsodium=$SODIUM_VERSION")

# Qt from its original tarball (Debian's packaging changes are for Linux);
# libsodium with Debian's fixes applied.
tar -C "$work" -xf "$work"/qt6-base_*.orig.tar.*
qt_source="$work/qtbase-everywhere-src-6.4.2"
[ -d "$qt_source" ] || { echo "make-windows-sdk.sh: no $qt_source in the tarball" >&2; exit 1; }
(cd "$work" && dpkg-source --no-check -x libsodium_*.dsc sodium-source >/dev/null)
sodium_source="$work/sodium-source"

# --- 2. the two edits of the Qt source ---------------------------------------
# Debian's tarball lacks the wintab headers (tablets): Wine's take their place,
# with the two macros that Wine's own headers would give them.
wintab="$qt_source/src/3rdparty/wintab"
mkdir -p "$wintab"
cp /usr/include/wine/wine/windows/pktdef.h "$wintab/"
awk 'BEGIN { done = 0 }
  !done && /^#define/ {
    print "#ifndef DECL_WINELIB_TYPE_AW"
    print "#define DECL_WINELIB_TYPE_AW(type) typedef type##W type;"
    print "#endif"
    print "#ifndef API"
    print "#define API WINAPI"
    print "#endif"
    done = 1
  }
  { print }' /usr/include/wine/wine/windows/wintab.h >"$wintab/wintab.h"
# Qt 6.4.2 builds its Windows plugin without OpenGL only when the dynamic GL
# parts are left out with it.
window_source="$qt_source/src/plugins/platforms/windows/qwindowswindow.cpp"
[ "$(grep -c '^#if QT_CONFIG(dynamicgl)$' "$window_source")" -eq 2 ] ||
  { echo "make-windows-sdk.sh: $window_source is not as expected" >&2; exit 1; }
sed -i 's/^#if QT_CONFIG(dynamicgl)$/#if QT_CONFIG(dynamicgl) \&\& QT_CONFIG(opengl)/' "$window_source"

# --- 3. Qt -------------------------------------------------------------------
install -m 0644 "$root/cmake/mingw-w64-x86_64.cmake" "$sdk/mingw-w64-x86_64.cmake"
log "configuring Qt"
cmake -S "$qt_source" -B "$work/qt-build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$sdk/mingw-w64-x86_64.cmake" \
  -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake -DCMAKE_INSTALL_PREFIX="$sdk" \
  -DCMAKE_BUILD_TYPE=Release -DBUILD_SHARED_LIBS=ON -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF -DQT_BUILD_BENCHMARKS=OFF \
  -DFEATURE_sql=OFF -DFEATURE_network=OFF -DFEATURE_dbus=OFF -DFEATURE_opengl=OFF -DFEATURE_printsupport=OFF \
  -DFEATURE_concurrent=OFF -DFEATURE_xml=OFF -DFEATURE_vulkan=OFF -DFEATURE_icu=OFF -DFEATURE_zstd=OFF \
  -DFEATURE_system_zlib=OFF -DFEATURE_system_pcre2=OFF -DFEATURE_system_png=OFF -DFEATURE_system_jpeg=OFF \
  -DFEATURE_system_freetype=OFF -DFEATURE_system_harfbuzz=OFF -DFEATURE_system_doubleconversion=OFF \
  >"$work/qt-configure.log" 2>&1 || { tail -n 40 "$work/qt-configure.log" >&2; exit 1; }
if [ "${KESTRUNE_SDK_STEPS:-}" = prepare ]; then
  rm -f "$sdk/mingw-w64-x86_64.cmake"
  log "sources unpacked and edited, Qt configured; stopping (KESTRUNE_SDK_STEPS=prepare)"
  exit 0
fi
log "building Qt ($jobs jobs)"
cmake --build "$work/qt-build" --parallel "$jobs"
cmake --install "$work/qt-build" >/dev/null

# --- 4. libsodium ------------------------------------------------------------
log "building libsodium"
(
  cd "$sodium_source"
  ./autogen.sh -s
  ./configure --host=x86_64-w64-mingw32 --prefix="$sdk" CC=x86_64-w64-mingw32-gcc-posix \
    --disable-static --enable-shared
  make -j"$jobs"
  make install
) >"$work/sodium.log" 2>&1 || { tail -n 40 "$work/sodium.log" >&2; exit 1; }

# --- 5. clean-up: stripped, relocatable ---------------------------------------
find "$sdk" -name '*.dll' -exec x86_64-w64-mingw32-strip --strip-unneeded {} +
rm -rf "$sdk/doc" "$sdk/lib/libsodium.la"
rm -f "$sdk"/bin/libsodium-*.def
# shellcheck disable=SC2016 # pkg-config expands it
sed -i 's|^prefix=.*|prefix=${pcfiledir}/../..|' "$sdk"/lib/pkgconfig/*.pc
cat >"$sdk/README.md" <<README
# Windows SDK for cross-building Kestrune

Qt 6.4.2 and libsodium 1.0.18 for x86_64-w64-mingw32 (posix threads), built
by Kestrune's scripts/make-windows-sdk.sh from Debian's qt6-base $QT_VERSION
and libsodium $SODIUM_VERSION on $(date -u +%Y-%m-%d). Use it with
KESTRUNE_WINDOWS_SDK=$sdk ./scripts/build-windows.sh.
README
log "Windows SDK ready in $sdk"
