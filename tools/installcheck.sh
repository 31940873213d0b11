#!/usr/bin/env bash
# The package as a shop-floor PC meets it, on a throwaway Debian 12 machine
# (run as root; it installs the package and adds a user):
#  1. makes a throwaway release key, builds the package carrying its public
#     key and the update service on loopback port 80 (a port only root may
#     open, so no other user of the machine can stand in for the service)
#     and installs it with apt;
#  2. starts both menu entries the way a desktop menu does (gio launch of the
#     installed .desktop files) as the normal user "rotaprobe-check", in a
#     virtual X display, and runs rotaprobe-record from the path;
#  3. runs the update round of the installed copy as that user: the
#     reference service offers 1.0.0.16 (the installed Rotaprobe with its
#     version note raised), published and signed by tools/publish-release.sh
#     with the throwaway key; Rotaprobe, started from its menu entry, prompts;
#     the script presses OK, "Update" twice; the program folder belongs to
#     root, so the hand-off goes through pkexec and polkit, where a rule of
#     this script grants the package's action to that user (standing in for
#     the administrator typing the password into the desktop's agent); the
#     script presses the updater's "Upgrade" and "Finished" and checks that
#     the updater ran as root, 1.0.0.16 is installed, 1.0.0.15 kept in
#     OldFile, and the new Rotaprobe runs as the user again. Without a
#     system bus (a container) it starts dbus and polkitd itself.
# Screenshots of every step go to $OUT (default: a new private folder made
# by mktemp -d, named at the end); every other file it writes is in folders
# of its own made by mktemp -d, never at a fixed name in /tmp.
# --remove: takes the package away again at the end.
# It ends only the processes it started (by their ids: its X server and
# service, and the programs of its own user), and removes its polkit grant
# whatever way it ends; a grant left by a run that was killed outright is
# removed when the next run starts.
set -euo pipefail
cd "$(dirname "$0")/.."
[ "$(id -u)" -eq 0 ] || { echo "installcheck: run as root" >&2; exit 2; }
# The grant of an earlier run that could not clean up (killed outright).
grant=/etc/polkit-1/rules.d/49-rotaprobe-installcheck.rules
rm -f "$grant"
OUT=${OUT:-$(mktemp -d -t rotaprobe-installcheck.XXXXXX)}
BUILD=${BUILD_DIR:-build-installcheck}
PORT=80
USER_NAME=rotaprobe-check
export DISPLAY=:77
mkdir -p "$OUT"
step() { echo "== $*"; }
fail() { echo "installcheck: FAILED: $*"; exit 1; }
shot() { import -window root "$OUT/$1.png"; echo "   screenshot $OUT/$1.png"; }

bash tools/setup.sh
DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends \
  xvfb xdotool x11-utils imagemagick libglib2.0-bin dbus polkitd pkexec >/dev/null

step "release key and package with the update service on 127.0.0.1 (port $PORT)"
ss -ltn "sport = :$PORT" | grep -q LISTEN && fail "port $PORT is in use"
keys=$(mktemp -d)
trap 'rm -rf "$keys"' EXIT # until the full clean-up below takes over
cmake -S . -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DROTAPROBE_UPDATE_ROOT=http://127.0.0.1 >/dev/null
BUILD_DIR=$BUILD tools/release-key.sh "$keys" >/dev/null
cmake -S . -B "$BUILD" -DROTAPROBE_RELEASE_PUBLIC_KEY="$(cat "$keys/release.pub")" >/dev/null
cmake --build "$BUILD" -j "$(nproc)" >/dev/null
rm -f "$BUILD"/rotaprobe_*.deb
(cd "$BUILD" && cpack -G DEB >/dev/null)
deb=$(ls "$BUILD"/rotaprobe_*.deb)
DEBIAN_FRONTEND=noninteractive apt-get install -y -q --reinstall "./$deb" >/dev/null
dpkg-query -W -f='${Status}\n' rotaprobe | grep -q 'install ok installed' || fail "not installed"
echo "   installed $(basename "$deb")"

id "$USER_NAME" >/dev/null 2>&1 || useradd -m "$USER_NAME"
[ -e "/tmp/.X11-unix/X${DISPLAY#:}" ] && fail "display $DISPLAY is in use"
Xvfb "$DISPLAY" -screen 0 1600x1000x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
php_pid=
service=
files=
check_uid=$(id -u "$USER_NAME")
# The programs this check started: those of its own user, and the updater
# that pkexec started for that user (pkexec records the caller).
our_programs() {
  local pid
  pgrep -u "$USER_NAME" || true
  for pid in $(pgrep -x Novrel || true); do
    tr '\0' '\n' <"/proc/$pid/environ" 2>/dev/null | grep -qx "PKEXEC_UID=$check_uid" && echo "$pid"
  done
}
end_our_programs() {
  local pids
  mapfile -t pids < <(our_programs | sort -u)
  if [ ${#pids[@]} -gt 0 ]; then kill "${pids[@]}" 2>/dev/null || true; fi
  sleep 1
}
cleanup() {
  rm -f "$grant"
  end_our_programs
  if [ -n "$php_pid" ]; then kill "$php_pid" 2>/dev/null || true; fi
  kill "$xvfb" 2>/dev/null || true
  rm -rf "$keys" ${service:+"$service"} ${files:+"$files"}
}
trap cleanup EXIT
trap 'exit 1' INT TERM HUP
sleep 1

# window_of CLASS [SIZE]: the visible window of that class (of SIZE "WxH"), waiting up to 20 s.
window_of() {
  local id geometry
  for _ in $(seq 100); do
    for id in $(xdotool search --onlyvisible --class "$1" 2>/dev/null); do
      geometry=$(xdotool getwindowgeometry "$id" | sed -n 's/.*Geometry: //p')
      if [ -z "${2:-}" ] || [ "$geometry" = "$2" ]; then echo "$id"; return 0; fi
    done
    sleep 0.2
  done
  return 1
}
# press ID DX DY: clicks DX, DY from the window's bottom-right corner.
press() {
  local w h
  eval "$(xdotool getwindowgeometry --shell "$1")"
  w=$WIDTH; h=$HEIGHT
  xdotool mousemove --window "$1" $((w - $2)) $((h - $3)) click 1
}
# The update dialog's size: the one visible Rotaprobe window that is
# neither the main window nor the prompt.
dialog_size() {
  local id geometry
  for _ in $(seq 100); do
    for id in $(xdotool search --onlyvisible --class Rotaprobe 2>/dev/null); do
      geometry=$(xdotool getwindowgeometry "$id" | sed -n 's/.*Geometry: //p')
      case "$geometry" in 1300x750|400x200) ;; *) echo "$geometry"; return 0 ;; esac
    done
    sleep 0.2
  done
}
launch_as_user() {
  runuser -u "$USER_NAME" -- env DISPLAY="$DISPLAY" HOME="/home/$USER_NAME" \
    gio launch "/usr/share/applications/$1" >/dev/null 2>&1 &
}

step "menu entries, as $USER_NAME"
launch_as_user rotaprobe.desktop
window_of Rotaprobe 1300x750 >/dev/null || fail "Rotaprobe showed no main window"
sleep 2; shot menu-rotaprobe
[ "$(ps -o user= -C Rotaprobe | head -1)" = "$USER_NAME" ] || fail "Rotaprobe does not run as $USER_NAME"
end_our_programs
launch_as_user rotaprobe-demo.desktop
window_of Rotaprobe 1300x750 >/dev/null || fail "RotaprobeDemo showed no main window"
sleep 3; shot menu-demo
end_our_programs
runuser -u "$USER_NAME" -- sh -c 'cd && rotaprobe-record --simulate --seconds 1' >"$OUT/record.txt" ||
  fail "rotaprobe-record --simulate"
head -1 "$OUT/record.txt"

step "update round through the reference service, as $USER_NAME"
if ! pgrep -x dbus-daemon >/dev/null; then
  mkdir -p /run/dbus
  dbus-daemon --system --fork
fi
pgrep -x polkitd >/dev/null || { /usr/lib/polkit-1/polkitd --no-debug >/dev/null 2>&1 & sleep 1; }
mkdir -p "$(dirname "$grant")"
cat >"$grant" <<RULE
polkit.addRule(function(action, subject) {
    if (action.id == "example.korvalis.rotaprobe.novrel" && subject.user == "$USER_NAME")
        return polkit.Result.YES;
});
RULE
sleep 1
service=$(mktemp -d)
files=$(mktemp -d)
cp /opt/rotaprobe/Rotaprobe /opt/rotaprobe/Novrel "$files/"
python3 tools/file_version.py "$files/Rotaprobe" --set 1.0.0.16
BUILD_DIR=$BUILD tools/publish-release.sh --key "$keys/release.key" "$service" \
  "$files/Rotaprobe" "$files/Novrel"
php -S 127.0.0.1:$PORT -t "$service" service/router.php >"$OUT/service.log" 2>&1 &
php_pid=$!
sleep 1
rm -rf /opt/rotaprobe/OldFile /opt/rotaprobe/NovrelTemp
launch_as_user rotaprobe.desktop
prompt=$(window_of Rotaprobe 400x200) || fail "no update prompt"
shot update-1-prompt
press "$prompt" 131 16                    # OK
dialog=$(window_of Rotaprobe "$(dialog_size)") || fail "no update dialog"
shot update-2-dialog
press "$dialog" 141 27                    # Update: asks for the newest version
sleep 2; shot update-3-newest
press "$dialog" 141 27                    # Upgrade: refreshes the updater, hands over
updater=$(window_of Novrel) || fail "the updater did not start"
sleep 1; shot update-4-updater
[ "$(ps -o user= -C Novrel | head -1)" = root ] || fail "the updater does not run as root"
press "$updater" 141 25                   # Upgrade
for _ in $(seq 100); do
  [ "$(python3 tools/file_version.py /opt/rotaprobe/Rotaprobe)" = 1.0.0.16 ] && break
  sleep 0.2
done
sleep 1; shot update-5-finished
press "$updater" 141 25                   # Finished: starts the test program
sleep 3; shot update-6-restarted
installed=$(python3 tools/file_version.py /opt/rotaprobe/Rotaprobe)
kept=$(python3 tools/file_version.py /opt/rotaprobe/OldFile/Rotaprobe)
echo "   installed $installed, kept in OldFile $kept"
[ "$installed" = 1.0.0.16 ] || fail "the update did not install 1.0.0.16"
[ "$kept" = 1.0.0.15 ] || fail "OldFile does not hold 1.0.0.15"
[ "$(ps -o user= -C Rotaprobe | head -1)" = "$USER_NAME" ] ||
  fail "the updated Rotaprobe does not run as $USER_NAME"
pgrep -x Novrel >/dev/null && fail "the updater is still running"

if [ "${1:-}" = --remove ]; then
  step "removal"
  end_our_programs
  DEBIAN_FRONTEND=noninteractive apt-get remove -y -q rotaprobe >/dev/null
  [ ! -e /opt/rotaprobe/Rotaprobe ] || fail "files left after removal"
fi
echo "installcheck: passed (screenshots in $OUT)"
