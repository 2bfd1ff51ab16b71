# Installs the build into a fresh prefix and checks that the desktop finds
# the program: its menu entry is valid, names an installed program and an
# icon of the hicolor theme.
file(REMOVE_RECURSE "${PREFIX}")
execute_process(COMMAND "${CMAKE_COMMAND}" --install "${BUILD_DIR}" --prefix "${PREFIX}"
                RESULT_VARIABLE installed OUTPUT_QUIET)
if(NOT installed EQUAL 0)
  message(FATAL_ERROR "cmake --install failed")
endif()

set(entry "${PREFIX}/share/applications/orlenda.desktop")
foreach(file "${entry}" "${PREFIX}/bin/orlenda"
        "${PREFIX}/share/icons/hicolor/scalable/apps/orlenda.svg"
        "${PREFIX}/share/icons/hicolor/48x48/apps/orlenda.png"
        "${PREFIX}/share/icons/hicolor/256x256/apps/orlenda.png")
  if(NOT EXISTS "${file}")
    message(FATAL_ERROR "not installed: ${file}")
  endif()
endforeach()

execute_process(COMMAND desktop-file-validate "${entry}"
                RESULT_VARIABLE valid OUTPUT_VARIABLE complaints ERROR_VARIABLE complaints)
if(NOT valid EQUAL 0 OR NOT complaints STREQUAL "")
  message(FATAL_ERROR "invalid desktop entry: ${complaints}")
endif()
file(STRINGS "${entry}" exec REGEX "^Exec=")
if(NOT exec STREQUAL "Exec=${PREFIX}/bin/orlenda")
  message(FATAL_ERROR "the entry starts ${exec}, not the installed program")
endif()
file(REMOVE_RECURSE "${PREFIX}")
