#!/usr/bin/env bash
# Installs what is missing, builds Kestrune and its benchmark in ./build-bench
# (Release with debug information) and runs it: load, save, sort, first show
# and peak memory for vaults of 1,000 to 1,000,000 entries, each beside the
# plain C++ floor; the import of 100,000 CSV rows and the export of 1,000,000
# entries beside the plain save; the merge of a conflict copy of 100,000
# entries into a vault of 100,000; the password report of 100,000 entries; the
# reload of 100,000 entries beside their load, and the processor time of an
# idle program watching its data file; then the start-up time of the real
# program on Xvfb.
# Takes a few minutes. Arguments go to the benchmark (for example
# --sizes=1000,100000, --no-peak, or Google Benchmark's --benchmark_filter=save).
# Set KESTRUNE_BENCH_STARTUP=0 to skip the start-up measurement.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh
cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKESTRUNE_BUILD_BENCHMARKS=ON
cmake --build build-bench --parallel 2 --target kestrune_bench kestrune_exchange_bench kestrune_merge_bench kestrune_report_bench kestrune_reload_bench Kestrune
./build-bench/bench/kestrune_bench "$@"
echo
./build-bench/bench/kestrune_exchange_bench
echo
./build-bench/bench/kestrune_merge_bench
echo
./build-bench/bench/kestrune_report_bench
echo
./build-bench/bench/kestrune_reload_bench
if [ "${KESTRUNE_BENCH_STARTUP:-1}" != 0 ]; then
  echo
  ./bench/startup.sh build-bench/src/Kestrune 7
fi
