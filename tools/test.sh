#!/usr/bin/env bash
# Installs what is missing, builds and runs the whole test suite headless:
#   1. the ordinary build and every test,
#   2. the syntax check of the Windows side (tools/wincheck.sh), and where
#      tools/wintoolchain.sh has built its cache, the Windows build with its
#      suites under Wine (tools/winbuild.sh --test),
#   3. the same suite under AddressSanitizer + UndefinedBehaviorSanitizer,
#   4. the device and simulator suites under ThreadSanitizer,
#   5. each fuzz target for a bounded time (FUZZ_SECONDS, default 60).
# --quick runs steps 1 and 2 only.
set -euo pipefail
cd "$(dirname "$0")/.."

quick=0
[ "${1:-}" = "--quick" ] && quick=1

bash tools/setup.sh

export QT_QPA_PLATFORM=offscreen
jobs=$(nproc)
# The suite never reaches the update service's real host: programs that run
# their start-up update check (the installed package's test) ask a closed
# loopback port instead. Its build folders are its own, so a package made
# from `build` keeps the real service. The test builds carry the test
# release key (tests/keys), so the real programs verify releases the tests
# sign; a build for shipping never does.
test_root=(-DROTAPROBE_UPDATE_ROOT=http://127.0.0.1:9
           "-DROTAPROBE_RELEASE_PUBLIC_KEY=$(cat tests/keys/release.pub)")

passed=0
failed=0
windows_tier="windows: syntax check only — run tools/wintoolchain.sh"
summary() {
  echo "$windows_tier"
  echo "test.sh: $passed passed, $failed failed"
}

# A throwaway PostgreSQL server for the results tests, on a private socket
# folder (tools/pgserver.sh), stopped and removed at the end.
pg_dir=$(mktemp -d)
pgserver=$PWD/tools/pgserver.sh
finish() {
  bash "$pgserver" stop "$pg_dir" 2>/dev/null || true
  rm -rf "$pg_dir"
  summary
}
trap finish EXIT
bash "$pgserver" init "$pg_dir"
bash "$pgserver" start "$pg_dir"
export ROTAPROBE_TEST_PGHOST=$pg_dir/socket

# Where ccache is installed, every build goes through it, keyed relative to
# the checkout's parent folder, so another checkout (CI's clone) hits the
# same cache.
launcher=()
if command -v ccache >/dev/null; then
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
  export CCACHE_BASEDIR=${CCACHE_BASEDIR:-$(dirname "$PWD")} CCACHE_NOHASHDIR=1
fi

build_and_test() { # dir, ctest filter, cmake args...; TARGETS: build only these
  local dir=$1 filter=$2 log counts
  shift 2
  cmake -S . -B "$dir" -G Ninja "${launcher[@]}" "$@" >/dev/null
  cmake --build "$dir" -j "$jobs" ${TARGETS:+--target $TARGETS}
  log=$(mktemp)
  local status=0
  (cd "$dir" && ctest --output-on-failure -j "$jobs" ${filter:+-R "$filter"}) | tee "$log" || status=1
  counts=$(grep -Eo '[0-9]+ tests failed out of [0-9]+' "$log" | tail -1)
  if [ -n "$counts" ]; then
    local f t
    f=$(echo "$counts" | awk '{print $1}')
    t=$(echo "$counts" | awk '{print $NF}')
    passed=$((passed + t - f))
    failed=$((failed + f))
  fi
  rm -f "$log"
  return $status
}

echo "== tests"
build_and_test build-test "" -DCMAKE_BUILD_TYPE=RelWithDebInfo "${test_root[@]}"

echo "== Windows syntax check"
if bash tools/wincheck.sh; then
  passed=$((passed + 1))
else
  failed=$((failed + 1))
  exit 1
fi
# The Windows build for real, only where the toolchain cache exists (never
# built here: it takes about an hour). No PostgreSQL for the Windows suites:
# Qt for Windows is built without its driver.
if bash tools/wintoolchain.sh --find >/dev/null; then
  echo "== Windows build and suites under Wine"
  windows_tier="windows: built and tested under Wine"
  winlog=$(mktemp)
  winstatus=0
  env -u ROTAPROBE_TEST_PGHOST bash tools/winbuild.sh --test -j "$jobs" | tee "$winlog" ||
    winstatus=1
  counts=$(grep -Eo '[0-9]+ tests failed out of [0-9]+' "$winlog" | tail -1)
  rm -f "$winlog"
  if [ -n "$counts" ]; then
    passed=$((passed + $(echo "$counts" | awk '{print $NF - $1}')))
    failed=$((failed + $(echo "$counts" | awk '{print $1}')))
  elif [ $winstatus -ne 0 ]; then
    failed=$((failed + 1))
  fi
  if [ $winstatus -ne 0 ]; then
    # The other tiers still run; the command fails at the end.
    windows_tier="windows: built and tested under Wine — FAILED"
  fi
fi
windows_failed() { [ "${winstatus:-0}" -ne 0 ]; }
if [ $quick -eq 1 ]; then
  windows_failed && exit 1
  exit 0
fi

echo "== tests under ASan + UBSan"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 \
  LSAN_OPTIONS="suppressions=$PWD/tools/lsan.supp" \
  build_and_test build-asan "" -DCMAKE_BUILD_TYPE=Debug -DROTAPROBE_SANITIZE=address "${test_root[@]}"

echo "== device, simulator, recorder and station tests under TSan"
# The longest access history: a busy worker's older accesses must still be
# found, or a report's second stack (which the suppressions are matched
# against) is lost.
TARGETS="tst_UsbLink tst_Worker tst_SimTester tst_Recorder tst_Station" \
TSAN_OPTIONS="halt_on_error=1 history_size=7 suppressions=$PWD/tools/tsan.supp" \
  build_and_test build-tsan "tst_(UsbLink|Worker|SimTester|Recorder|Station)" -DCMAKE_BUILD_TYPE=Debug -DROTAPROBE_SANITIZE=thread "${test_root[@]}"

echo "== fuzzing"
if bash tools/fuzz.sh "${FUZZ_SECONDS:-60}"; then
  passed=$((passed + 1))
else
  failed=$((failed + 1))
  exit 1
fi
if windows_failed; then exit 1; fi
