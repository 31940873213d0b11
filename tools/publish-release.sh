#!/usr/bin/env bash
# Publishes a signed release into the document root of an update service
# (see service/README.md):
#
#   tools/publish-release.sh --key KEYFILE [--days N] SERVICE_DIR [FILE...]
#   tools/publish-release.sh --key KEYFILE [--days N] --refresh SERVICE_DIR
#
# Without files it builds Rotaprobe and Novrel and publishes both: the test
# program and the updater in Novrel/Rotaprobe/App/ (so installed copies get
# updater fixes too), the updater also beside App/ (where the test program
# fetches it). With files, those files are the release: the one named
# Rotaprobe carries the release's version; Novrel, if given, is the updater,
# otherwise the updater is built. Nothing already on the service is signed:
# the release is assembled in a private staging folder (mktemp -d, mode
# 0700, outside the document root), hashed there, and its release.manifest
# (versions, the expiry, every file's name, size and SHA-256, the updater
# included) made and signed there with KEYFILE (tools/release-key.sh).
# Only then are the files copied in, and the copies checked against the
# signed manifest; then the manifest and its signature go in and are
# checked; release.ini goes last, so a client never sees a list naming a
# file that is not there yet, and a copy altered on the way stops the
# publish before release.ini changes.
#
# The manifest expires N days from now (--days, default 30): a client no
# longer takes it after that, so the service cannot hold back newer
# releases by serving an old one for ever. --refresh signs the release the
# service offers again with a new expiry, files untouched: only after its
# current manifest proves to be signed with KEYFILE and the published files
# still match it.
#
#   BUILD_DIR: the build to take the programs and rotaprobe-sign from
#   (default build).
set -euo pipefail
usage() {
  echo "usage: tools/publish-release.sh --key KEYFILE [--days N] SERVICE_DIR [FILE...]" >&2
  echo "       tools/publish-release.sh --key KEYFILE [--days N] --refresh SERVICE_DIR" >&2
  exit 2
}
die() {
  echo "publish-release: $*" >&2
  exit 1
}

key="" days=30 refresh=0
while [ $# -gt 0 ]; do
  case "$1" in
    --key) [ $# -ge 2 ] || usage; key=$2; shift 2 ;;
    --days) [ $# -ge 2 ] || usage; days=$2; shift 2 ;;
    --refresh) refresh=1; shift ;;
    --*) usage ;;
    *) break ;;
  esac
done
[ -n "$key" ] && [ $# -ge 1 ] || usage
[ $refresh -eq 0 ] || [ $# -eq 1 ] || usage
[[ $days =~ ^[1-9][0-9]{0,3}$ ]] || { echo "publish-release: --days takes a whole number of days" >&2; exit 2; }
key=$(cd "$(dirname "$key")" && pwd)/$(basename "$key")
[ -f "$key" ] || { echo "publish-release: no key file $key" >&2; exit 2; }
service=$(mkdir -p "$1" && cd "$1" && pwd -P)
shift
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
build=$(cd "$build" && pwd)

# The private staging folder: mode 0700 from mktemp, never inside the
# document root, removed at the end.
stage=$(cd "$(mktemp -d)" && pwd -P)
trap 'rm -rf "$stage"' EXIT
case "$stage/" in
  "$service"/*) die "the staging folder $stage lies inside the document root" ;;
esac
mkdir -m 700 "$stage/App"
release="$service/Novrel/Rotaprobe"

# Moves one staged file into the document root whole.
put() { # staged file, target, mode
  install -m "$3" "$1" "$(dirname "$2")/.$(basename "$2").new"
  mv -f "$(dirname "$2")/.$(basename "$2").new" "$2"
}

# Puts the staged manifest and signature live and checks the copies, then
# (when given) writes release.ini.
go_live() { # release.ini text, or empty
  "$sign" check "$key" "$stage/release.manifest" "$release" >/dev/null ||
    die "the files in $release are not the signed ones; release.ini left unchanged"
  put "$stage/release.manifest.sig" "$release/release.manifest.sig" 644
  put "$stage/release.manifest" "$release/release.manifest" 644
  cmp -s "$stage/release.manifest" "$release/release.manifest" &&
    cmp -s "$stage/release.manifest.sig" "$release/release.manifest.sig" &&
    "$sign" check "$key" "$release/release.manifest" "$release" >/dev/null ||
    die "the manifest in $release is not the signed one; release.ini left unchanged"
  if [ -n "$1" ]; then
    printf '%s\n' "$1" > "$stage/release.ini"
    put "$stage/release.ini" "$release/release.ini" 644
  fi
}

if [ $refresh -eq 1 ]; then
  cmake --build "$build" -j "$(nproc)" --target rotaprobe-sign >/dev/null
  sign="$build/signtool/rotaprobe-sign"
  [ -f "$release/release.manifest" ] || die "no release published in $release"
  cp "$release/release.manifest" "$stage/current.manifest"
  cp "$release/release.manifest.sig" "$stage/current.manifest.sig" 2>/dev/null ||
    die "the published manifest has no signature"
  # Only what this key signed before is signed again.
  "$sign" refresh --days "$days" "$key" "$stage/current.manifest" > "$stage/release.manifest" ||
    die "the published manifest is not signed with this key: publish the release again"
  "$sign" sign "$key" "$stage/release.manifest"
  "$sign" check "$key" "$stage/release.manifest" "$release" >/dev/null ||
    die "the published files are not the signed release: publish it again"
  go_live ""
  echo "refreshed the release in $release: $(grep '^expires=' "$release/release.manifest")"
  exit 0
fi

# The release's files, from the maker's build or the command line.
tester="" updater=""
for file in "${files[@]}"; do
  case "$(basename "$file")" in
    Rotaprobe) tester=$file ;;
    Novrel) updater=$file ;;
  esac
done
[ ${#files[@]} -eq 0 ] || [ -n "$tester" ] || { echo "publish-release: the release has no Rotaprobe" >&2; exit 2; }
targets=(rotaprobe-sign)
[ ${#files[@]} -eq 0 ] && targets+=(Rotaprobe)
[ -z "$updater" ] && targets+=(Novrel)
cmake --build "$build" -j "$(nproc)" --target "${targets[@]}" >/dev/null
sign="$build/signtool/rotaprobe-sign"
[ -n "$updater" ] || updater="$build/updater/Novrel"
if [ ${#files[@]} -eq 0 ]; then
  files=("$build/app/Rotaprobe" "$updater")
fi

# Copied into the staging folder, and from here on only those copies count.
names=()
for file in "${files[@]}"; do
  name=$(basename "$file")
  install -m 755 "$file" "$stage/App/$name"
  names+=("$name")
done
if [ -f "$stage/App/Novrel" ]; then
  install -m 755 "$stage/App/Novrel" "$stage/Novrel" # one copy, signed twice alike
else
  install -m 755 "$updater" "$stage/Novrel"
fi
tester_version=$(python3 tools/file_version.py "$stage/App/Rotaprobe")
updater_version=$(python3 tools/file_version.py "$stage/Novrel")

# The manifest, made and signed in the staging folder.
app_files=()
for name in "${names[@]}"; do app_files+=("$stage/App/$name"); done
"$sign" manifest --days "$days" "$tester_version" "$updater_version" "$stage/Novrel" "${app_files[@]}" \
  > "$stage/release.manifest"
"$sign" sign "$key" "$stage/release.manifest"
"$sign" check "$key" "$stage/release.manifest" "$stage" >/dev/null || die "the staged release does not check"

# Then the copies, each moved into place whole and checked before the
# manifest and release.ini go live.
mkdir -p "$release/App"
for name in "${names[@]}"; do
  put "$stage/App/$name" "$release/App/$name" 755
done
put "$stage/Novrel" "$release/Novrel" 755
list=$(IFS=,; echo "${names[*]}")
go_live "; Written by tools/publish-release.sh; release.manifest beside it is signed.
version = $tester_version
novrel_version = $updater_version
files = $list"
echo "published Rotaprobe $tester_version and Novrel $updater_version to $release (files: $list;" \
  "$(grep '^expires=' "$release/release.manifest"))"
if [ -f "$build/CMakeCache.txt" ]; then
  echo "service root: $(grep '^ROTAPROBE_UPDATE_ROOT' "$build/CMakeCache.txt" | cut -d= -f2)"
fi
