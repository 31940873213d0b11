#!/usr/bin/env bash
# tools/publish-release.sh against a document root an intruder has been in:
#   1. a trojan Novrel planted beside App/ is never signed: with the files
#      named and no Novrel, the updater is the build's, and the manifest
#      (checked with the test key) says so; it expires in 30 days;
#   2. a copy altered in the document root between the staging folder and
#      going live stops the publish: release.ini and the manifest stay as
#      they were; the staging folder was private (0700) and is gone;
#   3. --refresh signs the published release again with a new expiry,
#      files, release.ini and every other line of the manifest untouched;
#   4. --refresh refuses a published manifest the key did not sign.
# Usage: tst_PublishRelease.sh SOURCE_DIR BUILD_DIR (the build the script
# takes Novrel and rotaprobe-sign from; it builds them when missing).
set -euo pipefail
src=$1
build=$2
key=$src/tests/keys/release.key
pub=$src/tests/keys/release.pub
sign=$build/signtool/rotaprobe-sign
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
service=$work/www
release=$service/Novrel/Rotaprobe
mkdir -p "$work/tmp" "$release/App"

fail() {
  echo "tst_PublishRelease: $*" >&2
  exit 1
}
publish() {
  TMPDIR=$work/tmp BUILD_DIR=$build bash "$src/tools/publish-release.sh" "$@"
}
sha() { sha256sum "$1" | cut -d' ' -f1; }
field() { grep "^$1=" "$release/release.manifest" | cut -d= -f2-; }
expires_in() { # days the manifest's expiry lies ahead, within five minutes
  local left=$(($(date -u -d "$(field expires)" +%s) - $(date -u +%s)))
  [ $left -le $(($1 * 86400)) ] && [ $left -gt $(($1 * 86400 - 300)) ]
}

# --- 1. a planted Novrel is not signed
# The build's updater with a payload appended: the same version note.
cp "$build/updater/Novrel" "$release/Novrel"
echo "trojan payload" >> "$release/Novrel"
echo "first notes" > "$work/ReleaseNotes.txt"
publish --key "$key" "$service" "$build/app/Rotaprobe" "$work/ReleaseNotes.txt" > "$work/out" ||
  fail "the first publish failed: $(cat "$work/out")"
"$sign" verify "$pub" "$release/release.manifest" || fail "the manifest is not signed with the key"
[ "$(field updater | cut -d' ' -f1)" = "$(sha "$build/updater/Novrel")" ] ||
  fail "the manifest's updater is not the build's Novrel (the planted one was signed?)"
cmp -s "$release/Novrel" "$build/updater/Novrel" || fail "the published Novrel is not the build's"
"$sign" check "$pub" "$release/release.manifest" "$release" || fail "the published release does not check"
grep -qx "files = Rotaprobe,ReleaseNotes.txt" "$release/release.ini" || fail "release.ini: $(cat "$release/release.ini")"
expires_in 30 || fail "the manifest does not expire in 30 days: $(field expires)"
[ -z "$(ls -A "$work/tmp")" ] || fail "the staging folder stayed behind"

# --- 2. a copy altered on its way into the document root
mkdir "$work/bin"
cat > "$work/bin/install" <<EOF
#!/bin/bash
# install, then an intruder appends to the release notes at once; records
# the staging folders' modes meanwhile.
/usr/bin/install "\$@"
stat -c %a "$work/tmp"/* >> "$work/modes"
case "\${@: -1}" in */App/.ReleaseNotes.txt.new) echo "tampered" >> "\${@: -1}" ;; esac
EOF
chmod 755 "$work/bin/install"
cp "$release/release.ini" "$work/ini.before"
cp "$release/release.manifest" "$work/manifest.before"
echo "second notes" > "$work/ReleaseNotes.txt"
if PATH=$work/bin:$PATH publish --key "$key" --days 5 "$service" "$build/app/Rotaprobe" \
  "$work/ReleaseNotes.txt" > "$work/out" 2>&1; then
  fail "a release altered in the document root was published: $(cat "$work/out")"
fi
grep -q "not the signed ones" "$work/out" || fail "no reason given: $(cat "$work/out")"
cmp -s "$release/release.ini" "$work/ini.before" || fail "release.ini changed"
cmp -s "$release/release.manifest" "$work/manifest.before" || fail "the manifest changed"
[ -s "$work/modes" ] && [ "$(sort -u "$work/modes")" = "700" ] ||
  fail "the staging folder is not private: $(sort -u "$work/modes" | tr '\n' ' ')"
[ -z "$(ls -A "$work/tmp")" ] || fail "the staging folder stayed behind after the failure"

# The same publish, unhindered, goes through and expires in 5 days.
publish --key "$key" --days 5 "$service" "$build/app/Rotaprobe" "$work/ReleaseNotes.txt" > "$work/out" ||
  fail "the second publish failed: $(cat "$work/out")"
expires_in 5 || fail "--days 5: $(field expires)"

# --- 3. --refresh: a new expiry, nothing else
before_notes=$(stat -c '%Y %s' "$release/App/ReleaseNotes.txt")
grep -v '^expires=' "$release/release.manifest" > "$work/lines.before"
cp "$release/release.ini" "$work/ini.before"
publish --key "$key" --refresh --days 7 "$service" > "$work/out" || fail "--refresh failed: $(cat "$work/out")"
"$sign" verify "$pub" "$release/release.manifest" || fail "the refreshed manifest is not signed"
expires_in 7 || fail "--refresh --days 7: $(field expires)"
grep -v '^expires=' "$release/release.manifest" | cmp -s - "$work/lines.before" || fail "--refresh changed the release"
cmp -s "$release/release.ini" "$work/ini.before" || fail "--refresh changed release.ini"
[ "$(stat -c '%Y %s' "$release/App/ReleaseNotes.txt")" = "$before_notes" ] || fail "--refresh touched the files"

# --- 4. --refresh of a manifest the key did not sign
sed -i 's/^version=.*/version=9.9.9.9/' "$release/release.manifest"
cp "$release/release.manifest" "$work/manifest.before"
if publish --key "$key" --refresh "$service" > "$work/out" 2>&1; then
  fail "--refresh signed a manifest the key did not sign"
fi
cmp -s "$release/release.manifest" "$work/manifest.before" || fail "--refresh replaced a foreign manifest"
echo "tst_PublishRelease: passed"
