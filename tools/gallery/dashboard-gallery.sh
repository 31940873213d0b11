#!/usr/bin/env bash
# The line dashboard as a browser shows it: fills a demo store
# (dashboard_fill), serves it with rotaprobe-dashboard and has headless
# Chromium take the page at 1920x1080 and 1366x768, normal and kiosk, in
# English and Chinese, and one test's page, as PNG files in OUT (default
# gallery-dashboard).
#   tools/gallery/dashboard-gallery.sh [BUILD_DIR [OUT]]
set -euo pipefail
build=${1:-build}
out=${2:-gallery-dashboard}
mkdir -p "$out"
work=$(mktemp -d)
server=
finish() {
  [ -n "$server" ] && kill "$server" 2>/dev/null || true
  rm -rf "$work"
}
trap finish EXIT
"$build/tools/gallery/dashboard_fill" "$work/results.sqlite" 10 60 >/dev/null
port=$((18000 + RANDOM % 2000))
"$build/dashboard/rotaprobe-dashboard" --db "$work/results.sqlite" --listen "127.0.0.1:$port" >/dev/null &
server=$!
for _ in $(seq 50); do
  curl -sf "http://127.0.0.1:$port/" >/dev/null && break
  sleep 0.1
done
shoot() { # name, size, language, query
  chromium --headless --no-sandbox --disable-gpu --disable-quic --no-first-run \
    --disable-background-networking --disable-component-update --disable-sync \
    --user-data-dir="$work/profile-$1" --hide-scrollbars --lang="$3" --accept-lang="$3" \
    --window-size="$2" --virtual-time-budget=8000 \
    --screenshot="$out/$1.png" "http://127.0.0.1:$port/$4" >/dev/null 2>&1
}
shoot dashboard-1920x1080 1920,1080 en-US ""
shoot dashboard-1366x768 1366,768 en-US ""
shoot dashboard-kiosk-1920x1080 1920,1080 en-US "?kiosk=1"
shoot dashboard-zh-1920x1080 1920,1080 zh-CN ""
shoot dashboard-station-1366x768 1366,768 en-US "?station=line1-st2&figure=signal.offset_sin_pct"
# One test's page, with the link to its stored record.
shoot dashboard-test-1366x768 1366,768 en-US "test.html?id=7"
shoot dashboard-test-zh-1920x1080 1920,1080 zh-CN "test.html?id=7"
# A serial that holds markup and a script: shown as text, the script not run.
shoot dashboard-markup-serial-1366x768 1366,768 en-US "?serial=%3Cb%3ESN%3C%2Fb%3E%3Cscript%3Ealert(1)%3C%2Fscript%3E"
ls "$out"/dashboard-*.png
