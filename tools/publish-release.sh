#!/usr/bin/env bash
# Builds the release and publishes it into the document root of an update
# service (see service/README.md): the test program under
# Novrel/Rotaprobe/App/, the updater beside App/, and release.ini with the
# versions read from the built executables, so what the service announces
# always matches what it serves. release.ini is written last: a client never
# sees a list naming a file that is not there yet.
#
#   tools/publish-release.sh SERVICE_DIR
#   BUILD_DIR: the build to take the programs from (default build).
set -euo pipefail
if [ $# -ne 1 ]; then
  echo "usage: tools/publish-release.sh SERVICE_DIR" >&2
  exit 2
fi
service=$(mkdir -p "$1" && cd "$1" && pwd)
cd "$(dirname "$0")/.."
build=${BUILD_DIR:-build}
if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
cmake --build "$build" -j "$(nproc)" --target Rotaprobe Novrel

# The FileVersion an executable carries in its version note.
version_of() {
  python3 tools/file_version.py "$1"
}
tester_version=$(version_of "$build/app/Rotaprobe")
updater_version=$(version_of "$build/updater/Novrel")

release="$service/Novrel/Rotaprobe"
mkdir -p "$release/App"
install -m 755 "$build/app/Rotaprobe" "$release/App/Rotaprobe.new"
mv -f "$release/App/Rotaprobe.new" "$release/App/Rotaprobe"
install -m 755 "$build/updater/Novrel" "$release/Novrel.new"
mv -f "$release/Novrel.new" "$release/Novrel"
cat > "$release/release.ini.new" <<INI
; Written by tools/publish-release.sh from the built executables.
version = $tester_version
novrel_version = $updater_version
files = Rotaprobe
INI
mv -f "$release/release.ini.new" "$release/release.ini"
echo "published Rotaprobe $tester_version and Novrel $updater_version to $release"
echo "service root: $(grep '^ROTAPROBE_UPDATE_ROOT' "$build/CMakeCache.txt" | cut -d= -f2)"
