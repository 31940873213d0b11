#!/usr/bin/env bash
# Builds (optimised) and runs every benchmark; each prints its own figures.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/setup.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$(nproc)"
export QT_QPA_PLATFORM=offscreen
# bench_results on PostgreSQL: a throwaway server on a private socket folder.
pg_dir=$(mktemp -d)
pgserver=$PWD/tools/pgserver.sh
trap 'bash "$pgserver" stop "$pg_dir" 2>/dev/null || true; rm -rf "$pg_dir"' EXIT
bash "$pgserver" init "$pg_dir"
bash "$pgserver" start "$pg_dir"
export ROTAPROBE_BENCH_PGHOST=$pg_dir/socket
# Tests stored by bench_results: a million took 25 minutes on a busy
# two-core machine (RESULTS_TESTS=1000000).
results_tests=${RESULTS_TESTS:-200000}
for bench in build/bench/bench_*; do
  if [ -f "$bench" ] && [ -x "$bench" ]; then
    case $bench in
      */bench_results) "$bench" "$results_tests" ;;
      *) "$bench" ;;
    esac
  fi
done
# Instruction counts of the QtTest benchmarks, where valgrind is installed.
if command -v valgrind >/dev/null; then
  build/bench/bench_instruments -callgrind
fi
