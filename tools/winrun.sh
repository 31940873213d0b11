#!/usr/bin/env bash
# Runs a cross-built Windows program under Wine, headless:
#   winrun.sh TOOLCHAIN_CACHE PROGRAM.exe [ARGS...]
#   winrun.sh TOOLCHAIN_CACHE --init     (only makes the prefix)
# The cross build's CMAKE_CROSSCOMPILING_EMULATOR, so ctest runs each suite
# through it. The Qt and library DLLs are found on WINEPATH, the plug-ins on
# QT_PLUGIN_PATH, the offscreen platform's fonts in ROTAPROBE_WINE_FONTS
# (default: the build's folder made by winbuild.sh). WINEPREFIX is the
# caller's (winbuild.sh makes a private one) or a private one of this user's
# under /tmp, made on first use with Wine's null display driver: windows
# exist and get their messages (the `windows` platform works) but nothing is
# shown.
set -euo pipefail
toolchain=$1
shift

# A Unix path as Wine sees it on drive Z:.
winpath() { printf 'Z:%s' "${1//\//\\}"; }

# Wine's own fonts (Tahoma stands in for the dialog font "MS Shell Dlg 2")
# into the prefix's font folder: Debian's Wine leaves it empty, and the
# windows platform then draws every dialog in a math font.
windows_fonts() {
  if [ -d /usr/share/wine/fonts ]; then
    mkdir -p "$1/drive_c/windows/Fonts"
    cp /usr/share/wine/fonts/*.ttf "$1/drive_c/windows/Fonts/" 2>/dev/null || true
  fi
}

if [ -z "${WINEPREFIX:-}" ]; then
  export WINEPREFIX=${TMPDIR:-/tmp}/rotaprobe-wine-$(id -u)
fi
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-"mscoree,mshtml=;winemenubuilder.exe=d"}
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  wine wineboot -i >/dev/null 2>&1
  wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null 2>&1
  # A program that crashes (Qt's fatal errors abort) ends; Wine's debugger
  # would otherwise attach and wait, holding the suite's output open.
  wine reg delete 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' \
    /v Debugger /f >/dev/null 2>&1 || true
  windows_fonts "$WINEPREFIX"
fi
[ "${1:-}" = "--init" ] && exit 0
export WINEPATH="$(winpath "$toolchain/qt5/bin");$(winpath "$toolchain/mingw/bin")"
export QT_PLUGIN_PATH=$(winpath "$toolchain/qt5/plugins")
export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}
# The reference update service of the update suites: the build machine's PHP
# (Wine starts Linux programs too).
export ROTAPROBE_TEST_PHP=${ROTAPROBE_TEST_PHP:-$(winpath /usr/bin/php)}
if [ -n "${ROTAPROBE_WINE_FONTS:-}" ]; then
  export QT_QPA_FONTDIR=$(winpath "$ROTAPROBE_WINE_FONTS")
fi
# A Windows program without a console logs to the debugger, not to its
# standard error, unless told: the suites read what the programs they start
# print.
export QT_FORCE_STDERR_LOGGING=${QT_FORCE_STDERR_LOGGING:-1}
# Wine keeps the host's QT_* variables from Windows programs (they would
# confuse a Windows Qt); it passes WINEQT_* on as QT_*.
while IFS='=' read -r name _; do
  export "WINE$name=${!name}"
done < <(env | grep -E '^QT_[A-Za-z0-9_]*=')

# Linux programs a suite started (PHP, the shell) that Wine could not end
# would hold ctest's output pipe open: they carry this run's mark in their
# environment and end with it.
mark=ROTAPROBE_WINRUN=$$.$RANDOM
export "${mark%%=*}=${mark#*=}"
# A time-out's signal ends the program too.
wine "$@" 0<&0 &
program=$!
trap 'kill -TERM "$program" 2>/dev/null' TERM INT HUP
status=0
wait "$program" || status=$?
# (A signal ends the first wait early: wait for the program's end itself.)
wait "$program" 2>/dev/null || true
trap - TERM INT HUP
for environ in /proc/[0-9]*/environ; do
  pid=${environ#/proc/}
  pid=${pid%/environ}
  case $(readlink "/proc/$pid/exe" 2>/dev/null) in
    */wine*|"") continue ;;
  esac
  if tr '\0' '\n' < "$environ" 2>/dev/null | grep -qxF "$mark"; then
    kill -KILL "$pid" 2>/dev/null || true
  fi
done
exit $status
