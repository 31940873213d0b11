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

if [ -z "${WINEPREFIX:-}" ]; then
  export WINEPREFIX=${TMPDIR:-/tmp}/rotaprobe-wine-$(id -u)
fi
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-"mscoree,mshtml=;winemenubuilder.exe=d"}
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  wine wineboot -i >/dev/null 2>&1
  wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null 2>&1
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
exec wine "$@"
