#!/usr/bin/env bash
# Publishes a signed release into the document root of an update service
# (see service/README.md):
#
#   tools/publish-release.sh --key KEYFILE SERVICE_DIR [FILE...]
#
# Without files it builds Rotaprobe and Novrel and publishes both: the test
# program and the updater in Novrel/Rotaprobe/App/ (so installed copies get
# updater fixes too), the updater also beside App/ (where the test program
# fetches it). With files, those files are the release: the one named
# Rotaprobe carries the release's version; Novrel, if given, is the updater
# (otherwise the one already published stays the updater).
#
# Beside release.ini it writes release.manifest (versions, and every file's
# name, size and SHA-256, the updater included) and release.manifest.sig,
# signed with KEYFILE (tools/release-key.sh). Order: the files, then the
# manifest and its signature, then release.ini, so a client never sees a
# list naming a file that is not there yet.
#
#   BUILD_DIR: the build to take the programs and rotaprobe-sign from
#   (default build).
set -euo pipefail
usage() {
  echo "usage: tools/publish-release.sh --key KEYFILE SERVICE_DIR [FILE...]" >&2
  exit 2
}
[ $# -ge 3 ] && [ "$1" = "--key" ] || usage
key=$(cd "$(dirname "$2")" && pwd)/$(basename "$2")
[ -f "$key" ] || { echo "publish-release: no key file $2" >&2; exit 2; }
service=$(mkdir -p "$3" && cd "$3" && pwd)
shift 3
files=()
for file in "$@"; do
  [ -f "$file" ] || { echo "publish-release: no file $file" >&2; exit 2; }
  files+=("$(cd "$(dirname "$file")" && pwd)/$(basename "$file")")
done
cd "$(dirname "$0")/.."
build=${BUILD_DIR:-build}
if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
targets=(rotaprobe-sign)
[ ${#files[@]} -eq 0 ] && targets+=(Rotaprobe Novrel)
cmake --build "$build" -j "$(nproc)" --target "${targets[@]}" >/dev/null
sign="$build/signing/rotaprobe-sign"
if [ ${#files[@]} -eq 0 ]; then
  files=("$(pwd)/$build/app/Rotaprobe" "$(pwd)/$build/updater/Novrel")
fi

release="$service/Novrel/Rotaprobe"
mkdir -p "$release/App"
tester="" updater=""
names=()
for file in "${files[@]}"; do
  name=$(basename "$file")
  case "$name" in
    Rotaprobe) tester=$file ;;
    Novrel) updater=$file ;;
  esac
  names+=("$name")
done
[ -n "$tester" ] || { echo "publish-release: the release has no Rotaprobe" >&2; exit 2; }
if [ -z "$updater" ]; then
  updater="$release/Novrel"
  [ -f "$updater" ] || { echo "publish-release: no Novrel given and none published" >&2; exit 2; }
fi
tester_version=$(python3 tools/file_version.py "$tester")
updater_version=$(python3 tools/file_version.py "$updater")

# The files first, each moved into place whole.
for file in "${files[@]}"; do
  name=$(basename "$file")
  install -m 755 "$file" "$release/App/.$name.new"
  mv -f "$release/App/.$name.new" "$release/App/$name"
done
if [ "$updater" != "$release/Novrel" ]; then
  install -m 755 "$updater" "$release/.Novrel.new"
  mv -f "$release/.Novrel.new" "$release/Novrel"
fi

# Then the manifest and its signature, checked before they go live.
app_files=()
for name in "${names[@]}"; do app_files+=("$release/App/$name"); done
"$sign" manifest "$tester_version" "$updater_version" "$release/Novrel" "${app_files[@]}" \
  > "$release/.release.manifest.new"
"$sign" sign "$key" "$release/.release.manifest.new"
mv -f "$release/.release.manifest.new.sig" "$release/release.manifest.sig.new"
mv -f "$release/.release.manifest.new" "$release/release.manifest"
mv -f "$release/release.manifest.sig.new" "$release/release.manifest.sig"

# release.ini last.
list=$(IFS=,; echo "${names[*]}")
cat > "$release/.release.ini.new" <<INI
; Written by tools/publish-release.sh; release.manifest beside it is signed.
version = $tester_version
novrel_version = $updater_version
files = $list
INI
mv -f "$release/.release.ini.new" "$release/release.ini"
echo "published Rotaprobe $tester_version and Novrel $updater_version to $release (files: $list)"
if [ -f "$build/CMakeCache.txt" ]; then
  echo "service root: $(grep '^ROTAPROBE_UPDATE_ROOT' "$build/CMakeCache.txt" | cut -d= -f2)"
fi
