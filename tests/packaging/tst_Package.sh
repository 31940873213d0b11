#!/usr/bin/env bash
# The Debian package as a user gets it: built by cpack from this build tree,
# unpacked into a temporary root, then checked for the program folder, the
# udev rule, the menu launchers and their icons, the polkit action, the
# maintainer scripts and the dependencies; finally each launcher's command
# and the updater are started offscreen from the unpacked program folder and
# ended by SIGTERM, and the recorder stores a test that rotaprobe-results
# lists and the line dashboard's menu entry shows in a (stand-in) browser.
#
#   tst_Package.sh <cpack> <build dir> <version>
set -u

cpack=$1
build=$2
version=$3

if ! command -v dpkg-deb >/dev/null 2>&1; then
    echo "SKIP: no dpkg-deb (not a Debian system)"
    exit 77
fi

failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

tmp=$(mktemp -d)
pids=()
cleanup() {
    for pid in "${pids[@]}"; do
        kill -KILL "$pid" 2>/dev/null
    done
    rm -rf "$tmp"
}
trap cleanup EXIT

# --- build and unpack
if ! (cd "$build" && "$cpack" -G DEB -B "$tmp/out") >"$tmp/cpack.log" 2>&1; then
    cat "$tmp/cpack.log"
    echo "FAIL: cpack -G DEB"
    exit 1
fi
arch=$(dpkg --print-architecture)
deb=$tmp/out/rotaprobe_${version}_${arch}.deb
if [ ! -f "$deb" ]; then
    ls "$tmp/out"
    echo "FAIL: no $(basename "$deb")"
    exit 1
fi
root=$tmp/root
dpkg-deb -x "$deb" "$root" || { echo "FAIL: dpkg-deb -x"; exit 1; }
dpkg-deb -e "$deb" "$tmp/control" || { echo "FAIL: dpkg-deb -e"; exit 1; }

# --- the program folder: all three programs side by side
folder=$root/opt/rotaprobe
for program in Rotaprobe Novrel RotaprobeDemo rotaprobe-record rotaprobe-record-sim rotaprobe-results \
    RotaprobeStation RotaprobeStationSim rotaprobe-dashboard; do
    [ -x "$folder/$program" ] || fail "$program is not in /opt/rotaprobe"
    # Nothing may point back into the build tree.
    if readelf -d "$folder/$program" 2>/dev/null | grep -E 'R(UN)?PATH' | grep -q "$build"; then
        fail "$program has a run path into the build tree"
    fi
done

# --- the udev rule: the tester's identifiers and access for the seat's user
rules=$(find "$root/lib/udev/rules.d" -name '*.rules' 2>/dev/null)
if [ "$(echo "$rules" | grep -c .)" -ne 1 ]; then
    fail "expected one udev rule file, found: $rules"
else
    rule=$(grep -v '^#' "$rules")
    for part in 'SUBSYSTEM=="usb"' 'ATTR{idVendor}=="0388"' 'ATTR{idProduct}=="0004"' 'TAG+="uaccess"'; do
        [[ $rule == *"$part"* ]] || fail "udev rule lacks $part"
    done
    # uaccess is applied by 73-seat-late.rules: the tag must be set before.
    number=$(basename "$rules" | grep -Eo '^[0-9]+')
    [ -n "$number" ] && [ "$number" -lt 73 ] || fail "udev rule $(basename "$rules") runs after the seat rules"
fi

# --- launchers: valid, working directory the program folder, both programs
declare -A launcher_of
for desktop in "$root"/usr/share/applications/*.desktop; do
    [ -f "$desktop" ] || continue
    desktop-file-validate "$desktop" || fail "$(basename "$desktop") is not valid"
    name=$(sed -n 's/^Name=//p' "$desktop")
    launcher_of[$name]=$desktop
    [ "$(sed -n 's/^Path=//p' "$desktop")" = /opt/rotaprobe ] ||
        fail "$(basename "$desktop") does not start in /opt/rotaprobe"
    icon=$(sed -n 's/^Icon=//p' "$desktop")
    for size in 16 22 24 32 48 64 128 256; do
        png=$root/usr/share/icons/hicolor/${size}x${size}/apps/$icon.png
        file -b "$png" 2>/dev/null | grep -q "PNG image data, $size x $size," ||
            fail "no ${size}x${size} icon $icon"
    done
done
[ "${#launcher_of[@]}" -eq 5 ] || fail "expected five launchers, found ${#launcher_of[@]}"
for name in 'Rotaprobe' 'Rotaprobe (simulated tester)' 'Rotaprobe station' \
    'Rotaprobe station (simulated tester)' 'Rotaprobe line dashboard'; do
    [ -n "${launcher_of[$name]:-}" ] || fail "no launcher named $name"
done

# --- polkit action for the update hand-off
policy=$root/usr/share/polkit-1/actions/example.korvalis.rotaprobe.novrel.policy
if [ ! -f "$policy" ]; then
    fail "no polkit action"
else
    # polkit skips a file that is not well-formed.
    /usr/bin/python3 -c 'import sys, xml.dom.minidom; xml.dom.minidom.parse(sys.argv[1])' "$policy" ||
        fail "polkit action is not well-formed XML"
    for part in '<action id="example.korvalis.rotaprobe.novrel">' \
        '<annotate key="org.freedesktop.policykit.exec.path">/opt/rotaprobe/Novrel</annotate>' \
        '<annotate key="org.freedesktop.policykit.exec.allow_gui">true</annotate>' \
        '<allow_active>auth_admin</allow_active>'; do
        grep -qF "$part" "$policy" || fail "polkit action lacks $part"
    done
    # An approval is never kept for the next start.
    ! grep -q 'auth_admin_keep\|>yes<' "$policy" || fail "polkit action keeps an approval"
fi
[ ! -e "$root/opt/rotaprobe/rotaprobe-sign" ] || fail "the maker's signing tool is in the package"

# --- maintainer scripts: reload udev's rules and re-apply them; succeed
# without udev (containers) or with udev not running; leave the host's udev
# alone when installing into another root (DPKG_ROOT).
mkdir -p "$tmp/nobin" "$tmp/udevok" "$tmp/udevdown"
printf '#!/bin/sh\necho "$*" >>"%s"\n' "$tmp/udevadm.calls" >"$tmp/udevok/udevadm"
printf '#!/bin/sh\necho "$*" >>"%s"\nexit 1\n' "$tmp/udevadm.calls" >"$tmp/udevdown/udevadm"
chmod +x "$tmp/udevok/udevadm" "$tmp/udevdown/udevadm"
# The scripts' own tools, but no udevadm; and never the real /opt.
for dir in nobin udevok udevdown; do
    for tool in rm rmdir mkdir chmod chown find; do ln -sf "$(command -v $tool)" "$tmp/$dir/$tool"; done
done
for script in postinst:configure postrm:remove; do
    arg=${script#*:}
    script=${script%:*}
    if [ ! -x "$tmp/control/$script" ]; then
        fail "no executable $script"
        continue
    fi
    rm -f "$tmp/udevadm.calls"
    DPKG_ROOT=$tmp/noroot PATH=$tmp/udevok /bin/sh "$tmp/control/$script" "$arg" ||
        fail "$script $arg failed"
    [ ! -e "$tmp/udevadm.calls" ] || fail "$script reloaded the host's udev with DPKG_ROOT set"
    # On the host itself only where no program folder is installed: the
    # scripts then touch nothing but udev.
    [ -e /opt/rotaprobe ] && continue
    PATH=$tmp/udevok /bin/sh "$tmp/control/$script" "$arg" || fail "$script $arg failed"
    calls=$(cat "$tmp/udevadm.calls" 2>/dev/null | head -1)
    [ "$calls" = "control --reload-rules" ] || fail "$script did not reload udev rules first: '$calls'"
    grep -q '^trigger' "$tmp/udevadm.calls" 2>/dev/null || fail "$script did not trigger udev"
    PATH=$tmp/udevdown /bin/sh "$tmp/control/$script" "$arg" || fail "$script fails with udev not running"
    PATH=$tmp/nobin /bin/sh "$tmp/control/$script" "$arg" || fail "$script fails without udev"
    [ ! -e /opt/rotaprobe ] || fail "$script made /opt/rotaprobe on the host"
done

# --- the updater's folders: root's alone, whatever an older version or
# another user left there
installed=$tmp/installed
mkdir -p "$installed/opt/rotaprobe/OldFile" "$installed/elsewhere"
chmod 0777 "$installed/opt/rotaprobe/OldFile"
ln -s "$installed/elsewhere" "$installed/opt/rotaprobe/NovrelTemp"
echo keep >"$installed/elsewhere/planted"
DPKG_ROOT=$installed PATH=$tmp/nobin /bin/sh "$tmp/control/postinst" configure ||
    fail "postinst configure failed"
for name in NovrelTemp OldFile; do
    made=$installed/opt/rotaprobe/$name
    [ -d "$made" ] && [ ! -L "$made" ] || fail "postinst did not make $name a real folder"
    [ "$(stat -c %a "$made")" = 700 ] || fail "$name has mode $(stat -c %a "$made"), not 700"
done
[ -f "$installed/elsewhere/planted" ] || fail "postinst followed a link planted as NovrelTemp"

# --- removal takes the updater's folders along (dpkg does not know their files)
fakeroot_dir=$tmp/removed
mkdir -p "$fakeroot_dir/opt/rotaprobe/OldFile" "$fakeroot_dir/opt/rotaprobe/NovrelTemp"
echo old >"$fakeroot_dir/opt/rotaprobe/OldFile/Rotaprobe"
DPKG_ROOT=$fakeroot_dir PATH=$tmp/nobin /bin/sh "$tmp/control/postrm" remove || fail "postrm remove failed"
[ ! -e "$fakeroot_dir/opt/rotaprobe" ] || fail "postrm remove left $(find "$fakeroot_dir/opt" | tr '\n' ' ')"
mkdir -p "$fakeroot_dir/opt/rotaprobe/OldFile"
DPKG_ROOT=$fakeroot_dir PATH=$tmp/nobin /bin/sh "$tmp/control/postrm" upgrade || fail "postrm upgrade failed"
[ -d "$fakeroot_dir/opt/rotaprobe/OldFile" ] || fail "postrm upgrade removed the updater's backup"

# --- dependencies: computed from the executables, plus the CJK font
depends=$(dpkg-deb -f "$deb" Depends)
for package in libqt5widgets5 libqt5network5 libqt5sql5 libqt5sql5-sqlite libqt5sql5-psql \
    libqcustomplot libusb-0.1-4 libudev1 fonts-wqy-zenhei ca-certificates; do
    [[ $depends == *"$package"* ]] || fail "Depends lacks $package: $depends"
done
[ -n "$(dpkg-deb -f "$deb" Description)" ] || fail "no description"

# --- the programs start from the program folder, offscreen
# start <expected stderr text> <command> <working folder>: the command's
# program and the folder as installed, moved into the unpacked root; waits
# for the text, then ends the program with SIGTERM and expects exit code 0.
start() {
    local expect=$1 path=$3
    local name log pid status program args
    read -r -a args <<<"$2"
    program=${args[0]}
    args=("${args[@]:1}")
    name=$(basename "$program")
    log=$tmp/$name.log
    # A private runtime folder: the single-instance socket of a copy
    # running elsewhere cannot refuse this one.
    mkdir -p -m 700 "$tmp/run"
    (cd "$root$path" && exec env XDG_RUNTIME_DIR="$tmp/run" QT_QPA_PLATFORM=offscreen \
        QT_LOGGING_RULES="rotaprobe.view.debug=true" XDG_CONFIG_HOME="$tmp/config" \
        XDG_DATA_HOME="$tmp/data" HOME="$tmp" "$root$program" "${args[@]}" 2>"$log") &
    pid=$!
    pids+=("$pid")
    for _ in $(seq 200); do
        grep -q "$expect" "$log" && break
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.1
    done
    if ! grep -q "$expect" "$log"; then
        fail "$name never printed '$expect'"
        cat "$log"
    fi
    grep -q "already running" "$log" && fail "$name met another copy"
    kill -TERM "$pid" 2>/dev/null
    wait "$pid"
    status=$?
    [ "$status" -eq 0 ] || { fail "$name ended with $status after SIGTERM"; cat "$log"; }
    # The images, catalogue and style sheet are compiled in; one that fails
    # to load or parse shows up as a Qt warning.
    if grep -E 'QPixmap|QImage|QIcon|QFSFileEngine|QIODevice|libpng|stylesheet|catalogue' "$log"; then
        fail "$name complained at start"
    fi
}
# start_launcher <expected stderr text> <launcher name>: the launcher's
# command in its working folder.
start_launcher() {
    local desktop=${launcher_of[$2]:-}
    [ -n "$desktop" ] || return
    start "$1" "$(sed -n 's/^Exec=//p' "$desktop")" "$(sed -n 's/^Path=//p' "$desktop")"
}
start_launcher 'view: ' 'Rotaprobe'
start_launcher 'view: measuring' 'Rotaprobe (simulated tester)'
start 'Novrel window shown' /opt/rotaprobe/Novrel /opt/rotaprobe
start_launcher 'RotaprobeStation window shown' 'Rotaprobe station'
# The simulated launcher hands over to the station's simulated build, which
# finds its tester.
start_launcher 'RotaprobeStation: tester connected' 'Rotaprobe station (simulated tester)'

# --- the recorder from the command line's link, on the simulated tester
[ "$(readlink "$root/usr/bin/rotaprobe-record")" = /opt/rotaprobe/rotaprobe-record ] ||
    fail "/usr/bin/rotaprobe-record does not lead to the program folder"
record_json=$(cd "$tmp" && "$folder/rotaprobe-record" --simulate --seconds 0.5 --json \
    --profile "$root/usr/share/doc/rotaprobe/example-profile.json" 2>"$tmp/record.log")
record_status=$?
# Half a second sees too few reference marks for the latch item: exit 1, not 2.
if [ "$record_status" -gt 1 ] || [[ $record_json != *'"replies"'* ]]; then
    fail "rotaprobe-record --simulate ended with $record_status"
    cat "$tmp/record.log"
fi

# --- the results history: a test stored under its serial, then listed by
# rotaprobe-results from its link on the path, in a private data folder
[ "$(readlink "$root/usr/bin/rotaprobe-results")" = /opt/rotaprobe/rotaprobe-results ] ||
    fail "/usr/bin/rotaprobe-results does not lead to the program folder"
mkdir -p "$tmp/data"
(cd "$tmp" && XDG_DATA_HOME=$tmp/data "$folder/rotaprobe-record" --simulate --seconds 0.5 \
    --serial PKG-1 >/dev/null 2>"$tmp/store.log") || { fail "rotaprobe-record --serial failed"; cat "$tmp/store.log"; }
results_list=$(XDG_DATA_HOME=$tmp/data "$folder/rotaprobe-results" list --json 2>"$tmp/results.log")
results_status=$?
if [ "$results_status" -ne 0 ] || [[ $results_list != *'"serial": "PKG-1"'* ]]; then
    fail "rotaprobe-results list ended with $results_status: $results_list"
    cat "$tmp/results.log"
fi
[ -f "$tmp/data/rotaprobe/results.sqlite" ] || fail "no results file in XDG_DATA_HOME"

# --- the line dashboard's menu entry: serves the default store (the test
# stored above) and shows the page in the browser, here a stand-in
# xdg-open that notes the address; started again, it finds the dashboard
# answering and only shows the page. On a free port instead of the default
# 8470, which another copy may hold.
[ "$(readlink "$root/usr/bin/rotaprobe-dashboard")" = /opt/rotaprobe/rotaprobe-dashboard ] ||
    fail "/usr/bin/rotaprobe-dashboard does not lead to the program folder"
dashboard_desktop=${launcher_of['Rotaprobe line dashboard']:-}
if [ -n "$dashboard_desktop" ]; then
    read -r -a dashboard <<<"$(sed -n 's/^Exec=//p' "$dashboard_desktop")"
    [ "${dashboard[*]}" = "/opt/rotaprobe/rotaprobe-dashboard --open" ] ||
        fail "the dashboard's launcher runs '${dashboard[*]}'"
    mkdir -p "$tmp/browser"
    printf '#!/bin/sh\necho "$*" >>"%s"\n' "$tmp/browser.calls" >"$tmp/browser/xdg-open"
    chmod +x "$tmp/browser/xdg-open"
    port=$(/usr/bin/python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
    page="http://127.0.0.1:$port/"
    # In a subshell of its own, which the program replaces.
    open_dashboard() {
        cd "$root/opt/rotaprobe" && exec env PATH="$tmp/browser:$PATH" XDG_DATA_HOME="$tmp/data" \
            HOME="$tmp" "$root${dashboard[0]}" "${dashboard[@]:1}" --listen "127.0.0.1:$port"
    }
    open_dashboard >"$tmp/dashboard.log" 2>&1 &
    dashboard_pid=$!
    pids+=("$dashboard_pid")
    for _ in $(seq 100); do
        grep -qx "$page" "$tmp/browser.calls" 2>/dev/null && break
        sleep 0.1
    done
    grep -qx "$page" "$tmp/browser.calls" 2>/dev/null || { fail "the dashboard did not show $page"; cat "$tmp/dashboard.log"; }
    latest=$(/usr/bin/python3 -c 'import sys, urllib.request; print(urllib.request.urlopen(sys.argv[1]).read().decode())' \
        "${page}api/latest" 2>&1)
    [[ $latest == *'"serial":"PKG-1"'* ]] || fail "the dashboard does not show the stored test: $latest"
    (open_dashboard) >"$tmp/dashboard2.log" 2>&1 || { fail "the second start ended with $?"; cat "$tmp/dashboard2.log"; }
    [ "$(grep -cx "$page" "$tmp/browser.calls")" -eq 2 ] || fail "the second start did not show the page"
    kill -TERM "$dashboard_pid" 2>/dev/null
    wait "$dashboard_pid"
    status=$?
    [ "$status" -eq 0 ] || { fail "rotaprobe-dashboard ended with $status after SIGTERM"; cat "$tmp/dashboard.log"; }
fi

if [ "$failures" -ne 0 ]; then
    echo "$failures check(s) failed"
    exit 1
fi
echo "package $(basename "$deb") passed"
