#!/usr/bin/env bash
# Builds (optimised) and runs every benchmark; each prints its own figures.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/setup.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$(nproc)"
export QT_QPA_PLATFORM=offscreen
for bench in build/bench/bench_*; do
  if [ -f "$bench" ] && [ -x "$bench" ]; then "$bench"; fi
done
# Instruction counts of the QtTest benchmarks, where valgrind is installed.
if command -v valgrind >/dev/null; then
  build/bench/bench_instruments -callgrind
fi
