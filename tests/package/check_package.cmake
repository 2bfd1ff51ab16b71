# Builds orlenda_<version>_<arch>.deb with CPack, unpacks it with dpkg-deb
# and checks that the programs stand side by side, stripped, that the tool
# runs from there and tells the package's version, and that the package
# depends on what the programs need at run time.
cmake_policy(VERSION 3.25)
include(${CMAKE_CURRENT_LIST_DIR}/../support/stripped.cmake)

file(REMOVE_RECURSE "${WORK_DIR}")
execute_process(COMMAND "${CPACK}" --config "${BUILD_DIR}/CPackConfig.cmake" -B "${WORK_DIR}"
                RESULT_VARIABLE made OUTPUT_VARIABLE cpack_output ERROR_VARIABLE cpack_output)
if(NOT made EQUAL 0)
  message(FATAL_ERROR "cpack failed:\n${cpack_output}")
endif()
execute_process(COMMAND dpkg --print-architecture OUTPUT_VARIABLE arch
                OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
set(package "${WORK_DIR}/orlenda_${VERSION}_${arch}.deb")
if(NOT EXISTS "${package}")
  file(GLOB made_files "${WORK_DIR}/*.deb")
  message(FATAL_ERROR "no ${package}; cpack made: ${made_files}")
endif()

set(root "${WORK_DIR}/root")
execute_process(COMMAND dpkg-deb -x "${package}" "${root}" COMMAND_ERROR_IS_FATAL ANY)
# What the install puts where is the install check's; here what the package
# decides: the /usr prefix, and the programs stripped.
# The consent-banner rules too, where the tool looks for them beside itself.
foreach(file usr/bin/orlenda usr/bin/iecapt usr/share/orlenda/autoconsent.standalone.js)
  if(NOT EXISTS "${root}/${file}")
    message(FATAL_ERROR "not in the package: /${file}")
  endif()
endforeach()
expect_stripped("${root}/usr/bin/orlenda" "${root}/usr/bin/iecapt")

file(STRINGS "${root}/usr/share/applications/orlenda.desktop" exec REGEX "^Exec=")
if(NOT exec STREQUAL "Exec=/usr/bin/orlenda")
  message(FATAL_ERROR "the menu entry starts ${exec}, not /usr/bin/orlenda")
endif()

execute_process(COMMAND "${root}/usr/bin/iecapt" --version
                RESULT_VARIABLE ran OUTPUT_VARIABLE version_text ERROR_VARIABLE version_text)
if(NOT ran EQUAL 0 OR NOT version_text MATCHES "^iecapt ${VERSION} ")
  message(FATAL_ERROR "iecapt --version from the package said (${ran}): ${version_text}")
endif()

# The run-time list, and the libraries dpkg-shlibdeps found: Qt's widgets
# for the window, libpng for the tool.
execute_process(COMMAND dpkg-deb -f "${package}" Depends OUTPUT_VARIABLE depends
                OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
file(STRINGS "${RUN_PACKAGES}" needed REGEX "^[^#]")
string(REPLACE ", " ";" listed "${depends}")
list(TRANSFORM listed REPLACE " .*" "")
foreach(name ${needed} libqt6widgets6 libpng16-16 libc6)
  if(NOT name IN_LIST listed)
    message(FATAL_ERROR "the package does not depend on ${name}: ${depends}")
  endif()
endforeach()
file(REMOVE_RECURSE "${WORK_DIR}")
