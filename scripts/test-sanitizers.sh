#!/usr/bin/env bash
# Builds Kestrune and all its tests once more with AddressSanitizer and
# UndefinedBehaviorSanitizer (clang, in ./build-sanitize, together with the
# fuzz targets) and runs every test there: the unit and window tests, the fuzz
# replays and the end-to-end tests, which start the program as a child process.
#
# Any sanitizer report fails the run. The build stops a process at its first
# report (-fno-sanitize-recover=all), and every report is also written to a
# log folder that is checked afterwards, so that a report of a program started
# by a test script fails the run even when the script ignores its output.
# Extra arguments go to ctest (for example -R tst_CredentialStore).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
build="$root/build-sanitize"

cmake -S . -B "$build" -G Ninja -DCMAKE_CXX_COMPILER=clang++ \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKESTRUNE_SANITIZE=ON -DKESTRUNE_BUILD_FUZZERS=ON
cmake --build "$build" --parallel "$(nproc)"

logs="$build/sanitizer-logs"
rm -rf "$logs"
mkdir -p "$logs"
symbolizer=$(command -v llvm-symbolizer || true)
# log_path: one file per process, <prefix>.<pid>, in the folder checked below.
# Leaks are looked for too (LeakSanitizer, at the normal end of a process);
# Qt, fontconfig and the X and D-Bus libraries need no suppressions here.
# The undefined-behaviour checks all stay on, vptr and function included: Qt's
# classes pass them.
export ASAN_OPTIONS="log_path=$logs/report:detect_leaks=1:halt_on_error=1:check_initialization_order=1:strict_init_order=1:detect_stack_use_after_return=1${symbolizer:+:external_symbolizer_path=$symbolizer}"
export UBSAN_OPTIONS="log_path=$logs/report:halt_on_error=1:print_stacktrace=1"

set +e
(cd "$build" && ctest --output-on-failure --timeout 900 -j "$(nproc)" "$@")
rc=$?
set -e

reports=$(find "$logs" -type f -size +0 | sort)
if [ -n "$reports" ]; then
  echo "Sanitizer reports:" >&2
  for f in $reports; do
    echo "===== $f" >&2
    cat "$f" >&2
  done
  exit 1
fi
if [ "$rc" -ne 0 ]; then
  echo "Tests failed in the sanitizer build." >&2
  exit "$rc"
fi
echo "Sanitizer build: every test passed, no reports."
