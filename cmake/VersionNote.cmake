# rotaprobe_version_note(target version): embeds the FileVersion string in
# the executable `target`. Windows builds carry it in their version resource
# (.rc); elsewhere a generated source puts it in an ELF note that
# FileVersionReader reads back.
set(ROTAPROBE_VERSION_NOTE_TEMPLATE ${CMAKE_CURRENT_LIST_DIR}/VersionNote.cpp.in)

function(rotaprobe_version_note target version)
  if(WIN32)
    return()
  endif()
  string(LENGTH "${version}" length)
  math(EXPR DESC_SIZE "${length} + 1")
  math(EXPR DESC_PADDED "(${DESC_SIZE} + 3) / 4 * 4")
  set(VERSION ${version})
  set(source ${CMAKE_CURRENT_BINARY_DIR}/${target}_version_note.cpp)
  configure_file(${ROTAPROBE_VERSION_NOTE_TEMPLATE} ${source} @ONLY)
  target_sources(${target} PRIVATE ${source})
endfunction()
