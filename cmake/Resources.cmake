# rotaprobe_add_catalogue(target ts name): compiles a Qt Linguist catalogue
# with lrelease and embeds it uncompressed as ":/UI/<name>" in an object
# library `target` together with the other sources given after it.
find_package(Qt5 5.15 REQUIRED COMPONENTS LinguistTools)

function(rotaprobe_add_resources target ts name)
  set(qm ${CMAKE_CURRENT_BINARY_DIR}/${name}.qm)
  add_custom_command(OUTPUT ${qm}
    COMMAND Qt5::lrelease -silent ${ts} -qm ${qm}
    DEPENDS ${ts} VERBATIM)
  set(CATALOGUE ${name})
  set(qrc ${CMAKE_CURRENT_BINARY_DIR}/${name}.qrc)
  configure_file(${PROJECT_SOURCE_DIR}/app/UI/translations.qrc.in ${qrc} @ONLY)
  set(cpp ${CMAKE_CURRENT_BINARY_DIR}/qrc_${name}.cpp)
  add_custom_command(OUTPUT ${cpp}
    COMMAND Qt5::rcc -name ${name} -no-compress ${qrc} -o ${cpp}
    DEPENDS ${qrc} ${qm} VERBATIM)
  set(images)
  if(ARGN)
    qt5_add_resources(images ${ARGN} OPTIONS -no-compress)
  endif()
  add_library(${target} OBJECT ${cpp} ${images})
  target_link_libraries(${target} PUBLIC Qt5::Core)
endfunction()
