#!/usr/bin/env bash
# Makes the maker's release key pair:
#
#   tools/release-key.sh DIR
#
# DIR/release.key is the secret (mode 0600): keep it off the build machines'
# shared folders, never commit it, never put it in a package. DIR/release.pub
# is one line, the public key in base64: build releases with
#   cmake -DROTAPROBE_RELEASE_PUBLIC_KEY="$(cat DIR/release.pub)" ...
# and sign them with tools/publish-release.sh --key DIR/release.key.
# An existing release.key is never replaced.
#   BUILD_DIR: the build to take rotaprobe-sign from (default build).
set -euo pipefail
if [ $# -ne 1 ]; then
  echo "usage: tools/release-key.sh DIR" >&2
  exit 2
fi
dir=$(mkdir -p "$1" && cd "$1" && pwd)
cd "$(dirname "$0")/.."
build=${BUILD_DIR:-build}
if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
cmake --build "$build" --target rotaprobe-sign >/dev/null
(umask 077 && "$build/signtool/rotaprobe-sign" keygen "$dir" >/dev/null)
echo "secret key: $dir/release.key (keep it secret)"
echo "public key: $(cat "$dir/release.pub")"
