# The Windows install layout and setup program: `cpack -G NSIS` from the
# Windows build folder (tools/winbuild.sh) makes
# Rotaprobe-<version>-win64.exe with Debian's makensis. Every program goes
# into one program folder (the updater's working folder), with what
# windeployqt would copy beside them: the Qt DLLs they link, the plug-ins
# they load, the compiler's runtime and the other libraries' DLLs. The
# catalogues and style sheets are inside the executables (Qt resources).

set(component rotaprobe)
set(programs Rotaprobe Novrel RotaprobeDemo rotaprobe-record rotaprobe-record-sim
  rotaprobe-results rotaprobe-sign RotaprobeStation RotaprobeStationSim)
install(TARGETS ${programs} RUNTIME DESTINATION . COMPONENT ${component})
install(FILES ${PROJECT_SOURCE_DIR}/recorder/example-profile.json DESTINATION .
  COMPONENT ${component})

# The cross Qt's prefix (its bin/ holds the DLLs, plugins/ the plug-ins) and
# the other libraries' (mingw/bin) from tools/wintoolchain.sh's cache.
get_filename_component(qt_prefix "${Qt5Core_DIR}/../../.." ABSOLUTE)
get_filename_component(lib_prefix "${qt_prefix}/../mingw" ABSOLUTE)
foreach(module Core Gui Widgets Network Sql PrintSupport)
  install(FILES ${qt_prefix}/bin/Qt5${module}.dll DESTINATION . COMPONENT ${component})
endforeach()
foreach(plugin platforms/qwindows styles/qwindowsvistastyle sqldrivers/qsqlite
               printsupport/windowsprintersupport imageformats/qico imageformats/qgif)
  get_filename_component(folder ${plugin} DIRECTORY)
  install(FILES ${qt_prefix}/plugins/${plugin}.dll DESTINATION ${folder} COMPONENT ${component})
endforeach()
file(GLOB runtime_dlls ${lib_prefix}/bin/*.dll)
install(FILES ${runtime_dlls} DESTINATION . COMPONENT ${component})

set(CPACK_GENERATOR NSIS)
set(CPACK_PACKAGE_NAME Rotaprobe)
set(CPACK_PACKAGE_VENDOR KORVALIS)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_FILE_NAME Rotaprobe-${PROJECT_VERSION}-win64)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Position encoder test program for the USB tester box")
set(CPACK_PACKAGE_INSTALL_DIRECTORY Rotaprobe)
set(CPACK_NSIS_INSTALL_ROOT "$PROGRAMFILES64")
# A 64-bit setup program for 64-bit programs (NSIS's default stub is 32-bit,
# which a 64-bit-only Wine cannot start).
set(CPACK_NSIS_DEFINES "Target amd64-unicode")
set(CPACK_NSIS_PACKAGE_NAME Rotaprobe)
set(CPACK_NSIS_DISPLAY_NAME Rotaprobe)
set(CPACK_NSIS_MUI_ICON ${PROJECT_SOURCE_DIR}/app/UI/KORVALIS_ICO.ico)
set(CPACK_NSIS_MUI_UNIICON ${PROJECT_SOURCE_DIR}/app/UI/KORVALIS_ICO.ico)
set(CPACK_NSIS_INSTALLED_ICON_NAME Rotaprobe.exe)
set(CPACK_NSIS_ENABLE_UNINSTALL_BEFORE_INSTALL ON)
# Start-menu entries: executable;label pairs.
set(CPACK_PACKAGE_EXECUTABLES
  Rotaprobe "Rotaprobe"
  RotaprobeDemo "Rotaprobe (simulated tester)"
  RotaprobeStation "Rotaprobe station")
set(CPACK_STRIP_FILES TRUE)
set(CPACK_INSTALL_CMAKE_PROJECTS "${CMAKE_BINARY_DIR};${PROJECT_NAME};${component};/")
include(CPack)
