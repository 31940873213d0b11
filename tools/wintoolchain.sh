#!/usr/bin/env bash
# Builds, once, what the Windows programs link, for x86_64-w64-mingw32 with
# posix threads, from Debian's source packages: Qt 5.15 (Core, Gui, Widgets,
# Network, Sql with SQLite, PrintSupport, Test; windows, offscreen, minimal
# platforms; windowsvista style) with Linux host tools, SQLite, QCustomPlot
# 2.1, libsodium, and libusb0.dll's import library from its exported names.
#
# Into ${XDG_CACHE_HOME:-$HOME/.cache}/rotaprobe/wintoolchain-<versions>:
#   qt5/       the cross Qt (qt5/bin: Linux moc/rcc/uic/qmake, Windows DLLs)
#   mingw/     sqlite3, libsodium, qcustomplot, libusb0 import library,
#              and the compiler's runtime DLLs in mingw/bin
#   cross-bin/ x86_64-w64-mingw32-* names pointing at the posix compilers
#   wintoolchain.log, timings.txt, and `complete` (written last).
# A complete cache is reused; each part writes its own marker when done, so
# a half-built cache rebuilds only the unfinished parts, each from scratch
# except Qt's build, which goes on from its configured build folder.
# Prints the path of the cache on its last line. Needs root for apt-get
# (packages from tools/wintoolchain/packages.txt, a deb-src entry if none).
#   --find: prints the path of a complete cache and exits (1: none); never
#   builds or installs anything (tools/test.sh and tools/winbuild.sh use it).
#   WINTOOLCHAIN_JOBS: parallel jobs (default 2).
set -euo pipefail
HERE=$(cd "$(dirname "$0")" && pwd)
REVISION=1
CACHE_ROOT=${XDG_CACHE_HOME:-$HOME/.cache}/rotaprobe

if [ "${1:-}" = "--find" ]; then
  for marker in "$CACHE_ROOT"/wintoolchain-*-r$REVISION/complete; do
    if [ -f "$marker" ]; then
      dirname "$marker"
      exit 0
    fi
  done
  exit 1
fi
JOBS=${WINTOOLCHAIN_JOBS:-2}
TRIPLE=x86_64-w64-mingw32

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi

install_packages() {
  local missing=() package
  while read -r package; do
    case "$package" in ''|'#'*) continue ;; esac
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
      missing+=("$package")
    fi
  done < "$HERE/wintoolchain/packages.txt"
  if [ ${#missing[@]} -gt 0 ]; then
    echo "wintoolchain: installing ${missing[*]}"
    $SUDO apt-get update -q
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
  fi
}

# apt-get source needs a deb-src entry; add one for the configured suites.
ensure_deb_src() {
  if grep -rqsE '^(deb-src|Types:.*deb-src)' /etc/apt/sources.list /etc/apt/sources.list.d/; then
    return
  fi
  echo "wintoolchain: adding a deb-src entry"
  $SUDO tee /etc/apt/sources.list.d/rotaprobe-wintoolchain-src.sources >/dev/null <<'EOF'
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: bookworm bookworm-updates
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg

Types: deb-src
URIs: http://deb.debian.org/debian-security
Suites: bookworm-security
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
EOF
  $SUDO apt-get update -q
}

# The newest source version apt knows for a package.
source_version() {
  local best="" version
  for version in $(apt-cache showsrc "$1" | sed -n 's/^Version: //p'); do
    if [ -z "$best" ] || dpkg --compare-versions "$version" gt "$best"; then best=$version; fi
  done
  if [ -z "$best" ]; then
    echo "wintoolchain: FAILED: no source package $1" >&2
    exit 1
  fi
  echo "$best"
}

upstream() { local v=${1#*:}; v=${v%-*}; echo "${v%%+*}"; }

install_packages
ensure_deb_src
if [ -z "$(apt-cache showsrc qtbase-opensource-src 2>/dev/null)" ]; then $SUDO apt-get update -q; fi

QT_SRC_VERSION=$(source_version qtbase-opensource-src)
SQLITE_SRC_VERSION=$(source_version sqlite3)
QCP_SRC_VERSION=$(source_version qcustomplot)
SODIUM_SRC_VERSION=$(source_version libsodium)
NAME="wintoolchain-qt$(upstream "$QT_SRC_VERSION")-sqlite$(upstream "$SQLITE_SRC_VERSION")"
NAME+="-qcp$(upstream "$QCP_SRC_VERSION")-sodium$(upstream "$SODIUM_SRC_VERSION")-r$REVISION"
CACHE=$CACHE_ROOT/$NAME

if [ -f "$CACHE/complete" ]; then
  echo "wintoolchain: complete, reused"
  echo "$CACHE"
  exit 0
fi

mkdir -p "$CACHE"
exec > >(tee -a "$CACHE/wintoolchain.log") 2>&1
echo "wintoolchain: $(date -u '+%F %T') building into $CACHE"
echo "wintoolchain: qtbase $QT_SRC_VERSION, sqlite3 $SQLITE_SRC_VERSION, qcustomplot $QCP_SRC_VERSION, libsodium $SODIUM_SRC_VERSION"

QT=$CACHE/qt5
PREFIX=$CACHE/mingw
WORK=$CACHE/work
CROSS=$CACHE/cross-bin
mkdir -p "$WORK" "$PREFIX/bin" "$PREFIX/lib" "$PREFIX/include"
TOTAL_START=$SECONDS

# Runs part NAME (function build_NAME) unless its marker exists; records
# the time it took.
part() {
  local name=$1 start=$SECONDS
  if [ -f "$CACHE/.done-$name" ]; then
    echo "wintoolchain: $name: done before, reused"
    return
  fi
  echo "wintoolchain: $name: building"
  "build_$1"
  local took=$((SECONDS - start))
  printf '%s %d\n' "$name" "$took" >> "$CACHE/timings.txt"
  printf 'wintoolchain: %s: %dm%02ds\n' "$name" $((took / 60)) $((took % 60))
  touch "$CACHE/.done-$name"
}

# A fresh copy of Debian's source of package $1 in $WORK/src-$1 (patched);
# prints its folder.
fetch_source() {
  local package=$1 dir=$WORK/src-$1
  rm -rf "$dir"
  mkdir -p "$dir"
  (cd "$dir" && apt-get source -q "$package" >/dev/null 2>"$dir.log" || { cat "$dir.log" >&2; exit 1; })
  find "$dir" -mindepth 1 -maxdepth 1 -type d | head -n 1
}

# x86_64-w64-mingw32-gcc/g++ as the posix-threads compilers whatever the
# alternatives say; the binutils are the same for both.
build_crossbin() {
  rm -rf "$CROSS"
  mkdir -p "$CROSS"
  ln -s "$(command -v $TRIPLE-gcc-posix)" "$CROSS/$TRIPLE-gcc"
  ln -s "$(command -v $TRIPLE-g++-posix)" "$CROSS/$TRIPLE-g++"
  # The runtime DLLs every program needs beside it.
  local dll
  for dll in libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll; do
    cp "$("$CROSS/$TRIPLE-g++" -print-file-name=$dll)" "$PREFIX/bin/"
  done
}

# SQLite's amalgamation made on Linux (needs tclsh), compiled for Windows as
# a static library the Qt SQLite driver links.
build_sqlite() {
  local src build
  src=$(fetch_source sqlite3)
  build=$WORK/sqlite-build
  rm -rf "$build"
  mkdir -p "$build"
  (cd "$build" && "$src/configure" --disable-tcl >/dev/null && make sqlite3.c >/dev/null)
  "$CROSS/$TRIPLE-gcc" -O2 -DSQLITE_THREADSAFE=1 -DSQLITE_ENABLE_COLUMN_METADATA \
    -DSQLITE_ENABLE_FTS5 -DSQLITE_ENABLE_JSON1 -c "$build/sqlite3.c" -o "$build/sqlite3.o"
  rm -f "$PREFIX/lib/libsqlite3.a"
  $TRIPLE-ar rcs "$PREFIX/lib/libsqlite3.a" "$build/sqlite3.o"
  cp "$build/sqlite3.h" "$PREFIX/include/"
  rm -rf "$build" "$WORK/src-sqlite3"
}

build_sodium() {
  local src
  src=$(fetch_source libsodium)
  # Debian's source is the release tag without the generated scripts.
  if [ ! -x "$src/configure" ]; then
    (cd "$src" && autoreconf -fi >/dev/null 2>&1)
  fi
  (cd "$src" && export PATH="$CROSS:$PATH" &&
   ./configure --host=$TRIPLE --prefix="$PREFIX" --disable-static --enable-shared >/dev/null &&
   make -j"$JOBS" >/dev/null && make install >/dev/null)
  rm -rf "$WORK/src-libsodium"
}

# The import library for libusb-win32's libusb0.dll and the header the
# project declares its API with.
build_libusb0() {
  # The API's declaration stays in the checkout (tools/wincheck-standins),
  # which tools/winbuild.sh builds with.
  $TRIPLE-dlltool -d "$HERE/wintoolchain/libusb0.def" -l "$PREFIX/lib/libusb0.dll.a"
}

# Qt is the long part (about an hour on 2 cores): a build stopped half-way
# (the machine's session ended) goes on where it stopped, from its
# configured build folder, after removing the newest outputs, which a
# killed compiler may have left cut short.
build_qt() {
  local build=$WORK/qt-build
  if [ -f "$build/.configured" ]; then
    echo "wintoolchain: qt: resuming the stopped build"
    patch_qt_source "$(find "$WORK/src-qtbase-opensource-src" -mindepth 1 -maxdepth 1 -type d | head -n 1)"
    find "$build" -type f \( -name '*.o' -o -name '*.a' -o -name '*.dll' -o -name '*.exe' \
         -o -name 'moc_*' -o -name '*.moc' \) -printf '%T@ %p\n' |
      sort -rn | awk 'NR <= 12 { sub(/^[^ ]* /, ""); print }' | xargs -r rm -f
  else
    configure_qt "$build"
  fi
  (cd "$build" && PATH="$CROSS:$PATH" make -j"$JOBS" > "$WORK/qt-make.log" 2>&1) ||
    { tail -n 60 "$WORK/qt-make.log"; exit 1; }
  (cd "$build" && PATH="$CROSS:$PATH" make install > "$WORK/qt-install.log" 2>&1) ||
    { tail -n 60 "$WORK/qt-install.log"; exit 1; }
  local plugin
  for plugin in platforms/qwindows.dll platforms/qoffscreen.dll platforms/qminimal.dll \
                styles/qwindowsvistastyle.dll sqldrivers/qsqlite.dll; do
    test -f "$QT/plugins/$plugin" || { echo "wintoolchain: FAILED: no $plugin"; exit 1; }
  done
  rm -rf "$build" "$WORK/src-qtbase-opensource-src"
}

# Debian's source leaves out Qt's copy of the Wintab headers (graphics
# tablets): the windows platform plug-in is built without tablet input.
# Idempotent, so a resumed build applies it too.
patch_qt_source() {
  local windows=$1/src/plugins/platforms/windows
  sed -i 's/^qtConfig(tabletevent) {/false {  # no Wintab headers/' "$windows/windows.pri"
  sed -i 's/QT_CONFIG(tabletevent)/0 \/* no Wintab headers *\//' "$windows/qwindowscontext.cpp"
}

configure_qt() {
  local build=$1 src
  src=$(fetch_source qtbase-opensource-src)
  patch_qt_source "$src"
  rm -rf "$build" "$QT"
  mkdir -p "$build"
  (cd "$build" && PATH="$CROSS:$PATH" "$src/configure" \
     -prefix "$QT" -opensource -confirm-license -release \
     -xplatform win32-g++ -device-option CROSS_COMPILE=$TRIPLE- \
     -nomake examples -nomake tests -no-pkg-config \
     -no-opengl -no-dbus -no-icu -no-openssl -no-feature-concurrent -no-feature-xml \
     -qt-zlib -qt-libpng -qt-pcre -qt-freetype -qt-harfbuzz -no-libjpeg \
     -sql-sqlite -system-sqlite -no-sql-odbc -no-sql-psql -no-sql-mysql \
     -no-sql-oci -no-sql-db2 -no-sql-ibase -no-sql-sqlite2 -no-sql-tds \
     -I "$PREFIX/include" -L "$PREFIX/lib" > "$WORK/qt-configure.log" 2>&1) ||
    { tail -n 60 "$WORK/qt-configure.log"; exit 1; }
  grep -E 'SQLite|Qt Sql|Qt Widgets|PrintSupport|Qt Network|Qt Testlib|Windows Vista|FreeType' \
    "$WORK/qt-configure.log" || true
  touch "$build/.configured"
}

# QCustomPlot as a DLL against the cross Qt, with a CMake package file
# giving QCustomPlot::QCustomPlot as on Linux.
build_qcustomplot() {
  local src build
  src=$(fetch_source qcustomplot)
  build=$WORK/qcp-build
  rm -rf "$build"
  mkdir -p "$build"
  "$QT/bin/moc" "$src/qcustomplot.h" -o "$build/moc_qcustomplot.cpp"
  local flags=(-std=gnu++17 -O2 -DQCUSTOMPLOT_COMPILE_LIBRARY -DQT_NO_DEBUG -DQT_PRINTSUPPORT_LIB
               -DQT_WIDGETS_LIB -DQT_GUI_LIB -DQT_CORE_LIB -I "$src"
               -I "$QT/include" -I "$QT/include/QtCore" -I "$QT/include/QtGui"
               -I "$QT/include/QtWidgets" -I "$QT/include/QtPrintSupport")
  "$CROSS/$TRIPLE-g++" "${flags[@]}" -c "$src/qcustomplot.cpp" -o "$build/qcustomplot.o"
  "$CROSS/$TRIPLE-g++" "${flags[@]}" -c "$build/moc_qcustomplot.cpp" -o "$build/moc.o"
  "$CROSS/$TRIPLE-g++" -shared -o "$PREFIX/bin/qcustomplot2.dll" \
    -Wl,--out-implib,"$PREFIX/lib/libqcustomplot2.dll.a" "$build/qcustomplot.o" "$build/moc.o" \
    -L "$QT/lib" -lQt5PrintSupport -lQt5Widgets -lQt5Gui -lQt5Core
  cp "$src/qcustomplot.h" "$PREFIX/include/"
  mkdir -p "$PREFIX/lib/cmake/QCustomPlot"
  cat > "$PREFIX/lib/cmake/QCustomPlot/QCustomPlotConfig.cmake" <<'EOF'
# QCustomPlot cross-built for Windows by tools/wintoolchain.sh.
get_filename_component(_qcp_prefix "${CMAKE_CURRENT_LIST_DIR}/../../.." ABSOLUTE)
if(NOT TARGET QCustomPlot::QCustomPlot)
  find_package(Qt5 REQUIRED COMPONENTS Widgets PrintSupport)
  add_library(QCustomPlot::QCustomPlot SHARED IMPORTED)
  set_target_properties(QCustomPlot::QCustomPlot PROPERTIES
    IMPORTED_LOCATION "${_qcp_prefix}/bin/qcustomplot2.dll"
    IMPORTED_IMPLIB "${_qcp_prefix}/lib/libqcustomplot2.dll.a"
    INTERFACE_INCLUDE_DIRECTORIES "${_qcp_prefix}/include"
    INTERFACE_COMPILE_DEFINITIONS QCUSTOMPLOT_USE_LIBRARY
    INTERFACE_LINK_LIBRARIES "Qt5::Widgets;Qt5::PrintSupport")
endif()
unset(_qcp_prefix)
EOF
  rm -rf "$build" "$WORK/src-qcustomplot"
}

part crossbin
part sqlite
part libusb0
part qt
part sodium
part qcustomplot

rm -rf "$WORK"
took=$((SECONDS - TOTAL_START))
printf 'wintoolchain: total %dm%02ds\n' $((took / 60)) $((took % 60))
echo "$NAME" > "$CACHE/complete"
echo "$CACHE"
