#!/usr/bin/env bash
# The Windows build for real: configures the project for x86_64-w64-mingw32
# against tools/wintoolchain.sh's cache (cmake/mingw-w64-x86_64.cmake),
# builds every program and test suite, and with --test runs the suites under
# Wine, headless, in a private WINEPREFIX made in a temporary folder.
#   winbuild.sh [--test] [ctest args...]
#   WINBUILD_DIR: the build folder (default build-win).
# Prints the time the build and the suites took. Exits 1 without a complete
# toolchain cache.
set -euo pipefail
cd "$(dirname "$0")/.."

run_tests=0
if [ "${1:-}" = "--test" ]; then
  run_tests=1
  shift
fi

if ! toolchain=$(bash tools/wintoolchain.sh --find); then
  echo "winbuild: no complete Windows toolchain: run tools/wintoolchain.sh"
  exit 1
fi
dir=${WINBUILD_DIR:-build-win}
export ROTAPROBE_WINTOOLCHAIN=$toolchain

launcher=()
if command -v ccache >/dev/null; then
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
  export CCACHE_BASEDIR=${CCACHE_BASEDIR:-$(dirname "$PWD")} CCACHE_NOHASHDIR=1
fi

start=$SECONDS
cmake -S . -B "$dir" -G Ninja "${launcher[@]}" \
  -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/mingw-w64-x86_64.cmake" \
  -DROTAPROBE_WINTOOLCHAIN="$toolchain" \
  -DCMAKE_CROSSCOMPILING_EMULATOR="$PWD/tools/winrun.sh;$toolchain" \
  -DCMAKE_BUILD_TYPE=Release \
  -DLIBUSB_WIN32_INCLUDE_DIR="$PWD/tools/wincheck-standins" \
  -DROTAPROBE_UPDATE_ROOT=http://127.0.0.1:9 \
  "-DROTAPROBE_RELEASE_PUBLIC_KEY=$(cat tests/keys/release.pub)" >/dev/null
cmake --build "$dir" -j "$(nproc)" ${WINBUILD_KEEP_GOING:+-- -k 0}
echo "winbuild: built in $((SECONDS - start)) s"
[ $run_tests -eq 1 ] || exit 0

# Fonts for the offscreen platform, which reads them from one folder.
fonts=$PWD/$dir/wine-fonts
mkdir -p "$fonts"
for font in /usr/share/fonts/truetype/dejavu/DejaVuSans.ttf \
            /usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf \
            /usr/share/fonts/truetype/wqy/wqy-zenhei.ttc; do
  [ -f "$font" ] && ln -sf "$font" "$fonts/"
done
export ROTAPROBE_WINE_FONTS=$fonts

WINEPREFIX=$(mktemp -d)/prefix
export WINEPREFIX WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
cleanup() {
  wineserver -k 2>/dev/null || true
  rm -rf "$(dirname "$WINEPREFIX")"
}
trap cleanup EXIT
start=$SECONDS
bash tools/winrun.sh "$toolchain" --init
# The prefix is made once; its server ends by itself when the boot is done.
wineserver -w
echo "winbuild: Wine prefix ready in $((SECONDS - start)) s"

start=$SECONDS
status=0
(cd "$dir" && ctest --output-on-failure "$@") || status=$?
echo "winbuild: suites under Wine took $((SECONDS - start)) s"
exit $status
