#!/usr/bin/env bash
# Installs what is missing, builds and starts RotaprobeDemo: the test
# program on the simulated tester, with the "Simulated tester" window beside
# it. With "station" as the first argument it starts the production station
# on the simulated tester instead, with the example profile. Needs a desktop
# session (DISPLAY or WAYLAND_DISPLAY); further arguments go to the program.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/setup.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
if [ "${1:-}" = station ]; then
    shift
    # The README then points to rotaprobe-results for the stored tests.
    cmake --build build -j "$(nproc)" --target RotaprobeStation RotaprobeStationSim \
        rotaprobe-results
    exec build/stationwindow/RotaprobeStation --simulate \
        --profile "$PWD/recorder/example-profile.json" "$@"
fi
cmake --build build -j "$(nproc)" --target RotaprobeDemo
exec build/demo/RotaprobeDemo "$@"
