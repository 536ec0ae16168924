#!/usr/bin/env bash
# Runs every libFuzzer program of tests/fuzz for a bounded time, all at once
# (one per core), and fails on any crash, failed property, hang, excess memory
# or sanitizer report. Needs the build made by scripts/test-sanitizers.sh.
#
# Each fuzzer starts from a copy of its committed seed corpus and its saved
# regression inputs in a temporary folder, so the committed files never
# change. An input that finds a fault is kept in build-sanitize/fuzz-findings;
# copy it to tests/fuzz/regressions/<target>/ once the fault is mended.
#
# FUZZ_SECONDS sets the time per fuzzer (60 by default).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
build="$root/build-sanitize"
seconds=${FUZZ_SECONDS:-60}
targets=(datafile sealed rtf csv)
# The longest input per target: a sealed file needs room for chunks of 4 KiB.
declare -A max_len=([datafile]=4096 [sealed]=16384 [rtf]=4096 [csv]=4096)

findings="$build/fuzz-findings"
rm -rf "$findings"
mkdir -p "$findings"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

symbolizer=$(command -v llvm-symbolizer || true)
export ASAN_OPTIONS="detect_leaks=1:halt_on_error=1${symbolizer:+:external_symbolizer_path=$symbolizer}"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"
export QT_QPA_PLATFORM=offscreen LANG=C.UTF-8 LC_ALL=C.UTF-8
export XDG_RUNTIME_DIR="$work/runtime"
mkdir -m 700 "$XDG_RUNTIME_DIR"

pids=()
for t in "${targets[@]}"; do
  exe="$build/tests/fuzz/fuzz_$t"
  [ -x "$exe" ] || { echo "missing $exe: run scripts/test-sanitizers.sh first" >&2; exit 1; }
  mkdir -p "$work/$t/corpus" "$work/$t/artifacts"
  cp -R "$root/tests/fuzz/corpus/$t/." "$work/$t/corpus/"
  if [ -d "$root/tests/fuzz/regressions/$t" ]; then
    cp -R "$root/tests/fuzz/regressions/$t/." "$work/$t/corpus/"
  fi
  # -timeout: seconds for one input before it counts as a hang;
  # -rss_limit_mb / -malloc_limit_mb: memory before it counts as a fault.
  dict=()
  if [ -f "$root/tests/fuzz/$t.dict" ]; then
    dict=(-dict="$root/tests/fuzz/$t.dict")
  fi
  "$exe" "${dict[@]}" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -malloc_limit_mb=1024 \
    -max_len="${max_len[$t]}" -print_final_stats=1 -artifact_prefix="$work/$t/artifacts/" \
    "$work/$t/corpus" >"$work/$t/log" 2>&1 &
  pids+=("$!")
done

failed=0
for i in "${!targets[@]}"; do
  t=${targets[$i]}
  rc=0
  wait "${pids[$i]}" || rc=$?
  found=$(find "$work/$t/artifacts" -type f | sort)
  if [ "$rc" -ne 0 ] || [ -n "$found" ]; then
    failed=1
    echo "===== fuzz_$t failed (exit code $rc)" >&2
    tail -n 80 "$work/$t/log" >&2
    for f in $found; do
      cp "$f" "$findings/$t-$(basename "$f")"
      echo "input kept: $findings/$t-$(basename "$f")" >&2
    done
  else
    echo "fuzz_$t: $(grep -E '^stat::number_of_executed_units' "$work/$t/log" | awk '{print $2}') inputs in ${seconds} s, no findings"
  fi
done
exit "$failed"
