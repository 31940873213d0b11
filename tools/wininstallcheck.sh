#!/usr/bin/env bash
# The Windows setup program under Wine, in a virtual display: makes
# Rotaprobe-<version>-win64.exe from the Windows build (cpack -G NSIS),
# installs it silently into a private prefix, starts the installed demo and
# saves a screenshot, runs the installed recorder on the simulated tester
# and checks that its fit finds the simulated encoder's faults, then
# uninstalls and checks that the program folder is gone.
#   wininstallcheck.sh [OUTPUT_FOLDER]   (default build-win/installcheck)
#   WINBUILD_DIR: the Windows build folder (default build-win).
# Needs tools/winbuild.sh to have built; packages from
# tools/wintoolchain/packages.txt (wine, nsis, xvfb, imagemagick).
set -euo pipefail
cd "$(dirname "$0")/.."

if [ "${1:-}" = "--inside-display" ]; then
  shift
  setup=$1 out=$2
  folder='C:\Rotaprobe'
  installed=$WINEPREFIX/drive_c/Rotaprobe
  wine wineboot -i >/dev/null 2>&1
  # Wine's own fonts, as tools/winrun.sh puts them into its prefixes.
  cp /usr/share/wine/fonts/*.ttf "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null || true
  wineserver -w
  start=$SECONDS
  wine "$setup" /S "/D=$folder"
  wineserver -w
  echo "wininstallcheck: installed in $((SECONDS - start)) s"
  for file in Rotaprobe.exe RotaprobeDemo.exe RotaprobeStation.exe Novrel.exe \
              rotaprobe-record.exe rotaprobe-record-sim.exe Qt5Core.dll \
              platforms/qwindows.dll styles/qwindowsvistastyle.dll sqldrivers/qsqlite.dll; do
    test -f "$installed/$file" || { echo "wininstallcheck: FAILED: $file not installed"; exit 1; }
  done

  wine "$folder\\RotaprobeDemo.exe" >"$out/demo.log" 2>&1 &
  sleep 20
  import -window root "$out/demo.png"
  echo "wininstallcheck: screenshot $out/demo.png (the main window and \"Simulated tester\")"
  wineserver -k || true
  wine wineboot >/dev/null 2>&1 || true

  wine "$folder\\rotaprobe-record.exe" --simulate --seconds 3 --json >"$out/record.json"
  python3 - "$out/record.json" <<'EOF'
import json, sys
signal = json.load(open(sys.argv[1]))["signal"]
expected = {"offset_sin_pct": 1.2, "offset_cos_pct": -0.8,
            "amplitude_ratio": 0.97, "phase_deviation_deg": 1.5}
bad = [f"{k} = {signal.get(k)}, expected {v}" for k, v in expected.items()
       if signal.get(k) is None or abs(signal[k] - v) > 0.05]
if bad:
    sys.exit("wininstallcheck: FAILED: " + "; ".join(bad))
print("wininstallcheck: the recorder's fit finds the simulated faults")
EOF

  wine "$folder\\Uninstall.exe" /S
  wineserver -w
  sleep 2
  if [ -e "$installed/Rotaprobe.exe" ]; then
    echo "wininstallcheck: FAILED: Rotaprobe.exe left after uninstalling"
    exit 1
  fi
  echo "wininstallcheck: uninstalled"
  exit 0
fi

dir=${WINBUILD_DIR:-build-win}
out=$(realpath -m "${1:-$dir/installcheck}")
mkdir -p "$out"
(cd "$dir" && cpack -G NSIS >/dev/null)
setup=$(ls "$dir"/Rotaprobe-*-win64.exe | head -n 1)
echo "wininstallcheck: $setup, $(du -k "$setup" | cut -f1) KiB"

tmp=$(mktemp -d)
export WINEPREFIX=$tmp/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
status=0
xvfb-run -a -s "-screen 0 1280x1024x24" bash "$0" --inside-display "$(realpath "$setup")" "$out" ||
  status=$?
wineserver -k 2>/dev/null || true
rm -rf "$tmp"
exit $status
