# rotaprobe_version_note(target version [RESOURCES template.rc.in]): gives
# the executable `target` its FileVersion string, four dot-separated numbers.
# This call is the one place a program's version is written down.
#
# RESOURCES names the program's Windows resource script template (icon,
# version block, manifest); without it a version block alone
# (VersionResource.rc.in). The script is configured into <target>.rc in the
# binary folder on every system, so tools/wincheck.sh compiles the very
# script a Windows build uses, and attached to the target on Windows, where
# the version block carries the FileVersion. Elsewhere a generated source
# puts the version in an ELF note that FileVersionReader reads back.
set(ROTAPROBE_VERSION_NOTE_TEMPLATE ${CMAKE_CURRENT_LIST_DIR}/VersionNote.cpp.in)
set(ROTAPROBE_VERSION_RESOURCE_TEMPLATE ${CMAKE_CURRENT_LIST_DIR}/VersionResource.rc.in)

function(rotaprobe_version_note target version)
  cmake_parse_arguments(PARSE_ARGV 2 ARG "" "RESOURCES" "")
  if(NOT version MATCHES "^[0-9]+\\.[0-9]+\\.[0-9]+\\.[0-9]+$")
    message(FATAL_ERROR "rotaprobe_version_note(${target}): '${version}' is not a.b.c.d")
  endif()
  set(VERSION ${version})
  set(TARGET ${target})

  set(template ${ROTAPROBE_VERSION_RESOURCE_TEMPLATE})
  if(ARG_RESOURCES)
    get_filename_component(template ${ARG_RESOURCES} ABSOLUTE)
  endif()
  string(REPLACE "." "," VERSION_COMMAS "${version}")
  set(rc ${CMAKE_CURRENT_BINARY_DIR}/${target}.rc)
  configure_file(${template} ${rc} @ONLY)
  if(WIN32)
    target_sources(${target} PRIVATE ${rc})
    return()
  endif()

  string(LENGTH "${version}" length)
  math(EXPR DESC_SIZE "${length} + 1")
  math(EXPR DESC_PADDED "(${DESC_SIZE} + 3) / 4 * 4")
  set(source ${CMAKE_CURRENT_BINARY_DIR}/${target}_version_note.cpp)
  configure_file(${ROTAPROBE_VERSION_NOTE_TEMPLATE} ${source} @ONLY)
  target_sources(${target} PRIVATE ${source})
endfunction()
