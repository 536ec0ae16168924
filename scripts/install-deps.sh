#!/usr/bin/env bash
# Installs the Debian packages Kestrune needs to build, run and test, and any
# given as arguments, when any of them is missing. Needs root (or sudo) only
# when something is missing.
set -euo pipefail

packages=(
  g++ cmake ninja-build pkg-config
  qt6-base-dev qt6-qpa-plugins libqt6test6
  libgtest-dev libbenchmark-dev
  libicu-dev
  # the sealed data file (Argon2id, secretstream, BLAKE2b) and the password
  # generator's random source
  libsodium-dev
  # the password report's strength estimate
  libzxcvbn-dev
  xvfb xauth xdotool xclip x11-utils openbox
  dbus-daemon at-spi2-core python3 python3-dbus
  # dbus-send: the lock's end-to-end test sends the screen saver's signal
  dbus-bin
  fonts-dejavu-core
  # the sanitizer build and the fuzz targets: clang, its sanitizer and libFuzzer
  # runtimes, and llvm-symbolizer for readable reports
  clang libclang-rt-14-dev llvm
  # the desktop entry's check, and the Windows stage of the test command:
  # the cross compiler, Qt's host tools for the Windows build, Wine to run
  # it, and zip for the Windows archive
  desktop-file-utils
  # the end-to-end run with a real sync engine (two instances on 127.0.0.1)
  syncthing
  g++-mingw-w64-x86-64-posix qt6-base-dev-tools wine wine64 zip unzip
)
# Packages that one script alone needs (scripts/screenshots.sh) come as arguments.
packages+=("$@")

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ "${#missing[@]}" -eq 0 ]; then
  exit 0
fi

echo "Installing: ${missing[*]}"
SUDO=""
if [ "$(id -u)" -ne 0 ]; then
  SUDO="sudo"
fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update
$SUDO apt-get install -y --no-install-recommends "${missing[@]}"
