# Installs the build into a fresh prefix as the README says and checks what
# a user gets: the programs side by side and stripped, the user's page and
# the sample skin among the documents (not as the active skin), the manual
# pages, and a menu entry that is valid and names the installed program and
# a hicolor icon.
include(${CMAKE_CURRENT_LIST_DIR}/../support/stripped.cmake)

file(REMOVE_RECURSE "${PREFIX}")
execute_process(COMMAND "${CMAKE_COMMAND}" --install "${BUILD_DIR}" --prefix "${PREFIX}" --strip
                RESULT_VARIABLE installed OUTPUT_QUIET)
if(NOT installed EQUAL 0)
  message(FATAL_ERROR "cmake --install failed")
endif()

set(entry "${PREFIX}/share/applications/orlenda.desktop")
set(doc "${PREFIX}/share/doc/orlenda")
foreach(file "${entry}" "${PREFIX}/bin/orlenda" "${PREFIX}/bin/iecapt"
        "${doc}/README.md" "${doc}/docs/screenshot.png" "${doc}/copyright" "${doc}/changelog.gz"
        "${doc}/examples/o.cjs" "${PREFIX}/share/man/man1/orlenda.1.gz"
        "${PREFIX}/share/man/man1/iecapt.1.gz"
        "${PREFIX}/share/icons/hicolor/scalable/apps/orlenda.svg"
        "${PREFIX}/share/icons/hicolor/48x48/apps/orlenda.png"
        "${PREFIX}/share/icons/hicolor/256x256/apps/orlenda.png"
        "${PREFIX}/share/orlenda/autoconsent.standalone.js")
  if(NOT EXISTS "${file}")
    message(FATAL_ERROR "not installed: ${file}")
  endif()
endforeach()
if(EXISTS "${PREFIX}/bin/x/o.cjs")
  message(FATAL_ERROR "the sample skin was installed as the active skin")
endif()
expect_stripped("${PREFIX}/bin/orlenda" "${PREFIX}/bin/iecapt")

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
