# Cross build for 64-bit Windows with Debian's mingw-w64 (posix threads)
# against the libraries tools/wintoolchain.sh built. Set
# ROTAPROBE_WINTOOLCHAIN to its cache folder (tools/winbuild.sh does).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(ROTAPROBE_WINTOOLCHAIN "$ENV{ROTAPROBE_WINTOOLCHAIN}" CACHE PATH
    "tools/wintoolchain.sh's cache folder")
# CMake's compiler checks read this file again in a project of their own.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES ROTAPROBE_WINTOOLCHAIN)
if(NOT IS_DIRECTORY "${ROTAPROBE_WINTOOLCHAIN}/qt5")
  message(FATAL_ERROR "No Windows toolchain at '${ROTAPROBE_WINTOOLCHAIN}': run tools/wintoolchain.sh")
endif()

set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)

set(CMAKE_FIND_ROOT_PATH
    ${ROTAPROBE_WINTOOLCHAIN}/qt5 ${ROTAPROBE_WINTOOLCHAIN}/mingw /usr/x86_64-w64-mingw32)
set(CMAKE_PREFIX_PATH ${ROTAPROBE_WINTOOLCHAIN}/qt5 ${ROTAPROBE_WINTOOLCHAIN}/mingw)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# pkg-config reads the cross libraries' .pc files only.
set(ENV{PKG_CONFIG_LIBDIR} "${ROTAPROBE_WINTOOLCHAIN}/mingw/lib/pkgconfig")
set(ENV{PKG_CONFIG_PATH} "")
set(ENV{PKG_CONFIG_SYSROOT_DIR} "")

# lrelease runs on the build machine: Debian's.
set(Qt5LinguistTools_DIR /usr/lib/x86_64-linux-gnu/cmake/Qt5LinguistTools CACHE PATH "")
