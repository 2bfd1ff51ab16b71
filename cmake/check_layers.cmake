cmake_minimum_required(VERSION 3.25)

# Fails when a file under src/ includes a folder that is not below its own.
# Run by ctest:  cmake -DSOURCE_DIR=<repo>/src -P check_layers.cmake
#
# From the bottom up: the service interfaces (platform/*.h); their
# implementations (platform/posix, platform/win, platform/qt); form, what
# every handler shares; the features, which know form and the interfaces but
# not each other; and app, the window that wires everything. A folder may
# always include itself.
get_filename_component(SOURCE_DIR "${SOURCE_DIR}" ABSOLUTE)
set(allowed_platform "platform")
set(allowed_platform/posix "platform")
set(allowed_platform/qt "platform")
set(allowed_platform/win "platform")
set(allowed_form "platform")
foreach(feature startup sitelist folder convert)
  set(allowed_${feature} "platform;form")
endforeach()
set(allowed_app "*")

# The unit of a path below src/: platform/posix, platform/win and platform/qt
# are units of their own, any other file belongs to its top folder.
function(unit_of path out)
  if(path MATCHES "^platform/(posix|qt|win)/")
    set(${out} "platform/${CMAKE_MATCH_1}" PARENT_SCOPE)
  elseif(path MATCHES "^([^/]+)/")
    set(${out} "${CMAKE_MATCH_1}" PARENT_SCOPE)
  else()
    set(${out} "" PARENT_SCOPE)
  endif()
endfunction()

file(GLOB_RECURSE sources RELATIVE "${SOURCE_DIR}" "${SOURCE_DIR}/*.h" "${SOURCE_DIR}/*.cpp")
set(violations "")
foreach(source IN LISTS sources)
  unit_of("${source}" from)
  if(NOT DEFINED allowed_${from})
    string(APPEND violations "\n  ${source}: its folder has no place in the layers")
    continue()
  endif()
  if(allowed_${from} STREQUAL "*")
    continue()
  endif()
  file(STRINGS "${SOURCE_DIR}/${source}" includes REGEX "^[ \t]*#[ \t]*include[ \t]*\"")
  foreach(line IN LISTS includes)
    string(REGEX REPLACE "^[^\"]*\"([^\"]*)\".*$" "\\1" included "${line}")
    unit_of("${included}" to)
    if(to STREQUAL "" OR to STREQUAL from OR to IN_LIST allowed_${from})
      continue()
    endif()
    string(APPEND violations "\n  ${source} includes ${included} (${from} may include: ${allowed_${from}})")
  endforeach()
endforeach()

if(violations)
  message(FATAL_ERROR "Includes that point up or sideways:${violations}")
endif()
list(LENGTH sources count)
message(STATUS "${count} files under src/ include only folders below their own")
