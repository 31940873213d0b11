#!/usr/bin/env bash
# Installs what is missing, builds and starts RotaprobeDemo: the test
# program on the simulated tester, with the "Simulated tester" window beside
# it. Needs a desktop session (DISPLAY or WAYLAND_DISPLAY); extra arguments
# go to the program.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/setup.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$(nproc)" --target RotaprobeDemo
exec build/demo/RotaprobeDemo "$@"
