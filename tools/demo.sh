#!/usr/bin/env bash
# Installs what is missing, builds and starts RotaprobeDemo: the test
# program on the simulated tester, with the "Simulated tester" window beside
# it. With "station" as the first argument it starts the production station
# on the simulated tester instead, with the example profile. With
# "dashboard" it fills a demo store (build/dashboard-demo.sqlite, once, a
# few minutes) by running the production station on the simulated tester:
# 240 units over seven days at four stations, with failures, retests and
# aborted tests; then it serves the line dashboard on
# http://127.0.0.1:8470/, opening it in the browser. Needs a
# desktop session (DISPLAY or WAYLAND_DISPLAY); further arguments go to the
# program.
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
if [ "${1:-}" = dashboard ]; then
    shift
    cmake --build build -j "$(nproc)" --target rotaprobe-dashboard dashboard_station_fill
    store=$PWD/build/dashboard-demo.sqlite
    # Headless, a few minutes; it prints its progress.
    [ -f "$store" ] || build/tools/gallery/dashboard_station_fill "$store" 7 240
    # --open: the page in the browser once the server listens.
    exec build/dashboard/rotaprobe-dashboard --db "$store" --open "$@"
fi
cmake --build build -j "$(nproc)" --target RotaprobeDemo
exec build/demo/RotaprobeDemo "$@"
