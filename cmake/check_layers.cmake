cmake_minimum_required(VERSION 3.25)

# Fails when a file includes a folder its layer may not see. Run by ctest
# (include_layers):  cmake -DROOT=<repo> -P cmake/check_layers.cmake
#
# The build already refuses most of it: every layer is a library whose include
# folder links only the folders it may see (cmake/layers.cmake), so an include
# of another feature does not compile, in quotes or in angle brackets. This
# check reads every file under shared/, src/, tests/ and tools/iecapt/, every
# #include "..." and #include <...> in them (a quoted include is taken beside
# the file first, so "../sitelist/x.h" counts as sitelist), and also holds
# what the build cannot express:
#   - the platform implementations: platform/posix, platform/qt and
#     platform/win see the interfaces (platform/*.h), never each other; the
#     tool's system/posix and system/win likewise, and the tool's shared
#     system code includes neither half (one library holds them all);
#   - form and the interfaces include no feature, and no feature includes an
#     implementation of the interfaces;
#   - the tests, whose include folders are wider than a layer's.
#
# The program, from the bottom up: the interfaces (platform); their
# implementations (platform/posix, platform/qt, platform/win); form, what
# every handler shares; the features (startup, sitelist, folder, convert),
# which know form and the interfaces but not each other; app, the window that
# wires everything and may include any of them.
#
# The capture tool, from the bottom up (tools/iecapt/CMakeLists.txt): common;
# picture; options; protocol; system with its halves system/posix and
# system/win; page, which drives the browser only through the protocol and
# never includes system; run, with its entry points run/posix and run/win.
# Neither program includes the other's folders.
#
# Below both, including nothing of ours: shared/capture, the capture tool's
# exit statuses and their meanings, which the tool's common layer and the
# program's convert feature include; shared/win, the Windows text routines,
# and the one owner of a handle, which only the Windows halves (platform/win,
# system/win, run/win) and their tests include; shared/posix, the one owner
# of a descriptor and the detached start, likewise for the POSIX halves;
# shared/text, text others chose made safe for a line, which every unit of
# both programs may include.
#
# The tests:
#   - tests/<folder> may include what src/<folder> may include, src/<folder>
#     itself, fakes/ and support/, and its own helpers beside it; never
#     another test folder's helpers (shared helpers live in support/);
#   - a window test (a test that includes app/) drives the real window: it
#     may also include app/ and platform/qt, the widgets it drives, but still
#     no other feature;
#   - tests/platform may include every implementation of the interfaces;
#   - tests/app tests the composition root and features working together: it
#     may include anything app may;
#   - fakes/ may include form, the interfaces and support/; support/ only the
#     interfaces;
#   - tests/iecapt may include any layer of the tool, but not the Windows
#     halves; tests/iecapt/win not the POSIX halves, and it shares the
#     helpers of tests/iecapt (test_support.h, through its include path).
if(NOT DEFINED ROOT)
  message(FATAL_ERROR "Usage: cmake -DROOT=<repository> -P check_layers.cmake")
endif()
get_filename_component(ROOT "${ROOT}" ABSOLUTE)

set(program_units platform platform/posix platform/qt platform/win form startup sitelist folder
  convert app)
set(features startup sitelist folder convert)
set(tool_layers common picture options protocol system page run)
set(tool_shared tool/common tool/picture tool/options tool/protocol tool/system tool/page tool/run)
set(test_helpers tests/fakes tests/support)

# What each unit may include besides itself. A unit of the program is named
# by its folder below src/, one of the tool by tool/ and its folder below
# tools/iecapt/, a test folder by its path.
set(allowed_shared "")
set(allowed_shared/win "")
set(allowed_shared/capture "")
set(allowed_shared/posix "")
set(allowed_src "")
set(allowed_platform "")
foreach(implementation posix qt win)
  set(allowed_platform/${implementation} platform)
endforeach()
list(APPEND allowed_platform/posix shared/posix)
list(APPEND allowed_platform/win shared/win)
set(allowed_form platform)
foreach(feature IN LISTS features)
  set(allowed_${feature} platform form)
endforeach()
list(APPEND allowed_convert shared/capture)
set(allowed_app ${program_units})

set(allowed_tool "")
set(allowed_tool/common shared/capture)
set(allowed_tool/picture tool/common)
set(allowed_tool/options tool/common tool/picture)
set(allowed_tool/protocol tool/common)
set(allowed_tool/system tool/common tool/protocol)
set(allowed_tool/system/posix tool/common tool/protocol tool/system shared/posix)
set(allowed_tool/system/win tool/common tool/protocol tool/system shared/win)
set(allowed_tool/page tool/common tool/picture tool/options tool/protocol)
set(allowed_tool/run tool/common tool/picture tool/options tool/protocol tool/system tool/page)
set(allowed_tool/run/posix ${tool_shared} tool/system/posix shared/posix)
set(allowed_tool/run/win ${tool_shared} tool/system/win shared/win)

set(allowed_tests "")
set(allowed_tests/package "")
set(allowed_tests/support platform)
set(allowed_tests/fakes platform form tests/support)
set(allowed_tests/form platform form ${test_helpers})
foreach(feature IN LISTS features)
  set(allowed_tests/${feature} platform form ${feature} ${test_helpers})
  set(window_tests/tests/${feature} app platform/qt)
endforeach()
set(allowed_tests/platform platform platform/posix platform/qt platform/win shared/posix
  shared/win ${test_helpers})
set(allowed_tests/app ${program_units} ${test_helpers})
set(allowed_tests/iecapt ${tool_shared} tool/system/posix tool/run/posix shared/posix)
set(allowed_tests/iecapt/win ${tool_shared} tool/system/win tool/run/win shared/win)

# What every unit but the shared ones may include.
get_cmake_property(variables VARIABLES)
foreach(variable IN LISTS variables)
  if(variable MATCHES "^allowed_" AND NOT variable MATCHES "^allowed_shared")
    list(APPEND ${variable} shared/text)
  endif()
endforeach()
set(allowed_shared/text "")

# The unit a file belongs to, from its path below the repository.
function(unit_of_file path out)
  if(path MATCHES "^shared/([^/]+)/")
    set(unit "shared/${CMAKE_MATCH_1}")
  elseif(path MATCHES "^shared/")
    set(unit "shared")
  elseif(path MATCHES "^src/platform/(posix|qt|win)/")
    set(unit "platform/${CMAKE_MATCH_1}")
  elseif(path MATCHES "^src/([^/]+)/")
    set(unit "${CMAKE_MATCH_1}")
  elseif(path MATCHES "^src/")
    set(unit "src")
  elseif(path MATCHES "^tools/iecapt/(system|run)/(posix|win)/")
    set(unit "tool/${CMAKE_MATCH_1}/${CMAKE_MATCH_2}")
  elseif(path MATCHES "^tools/iecapt/([^/]+)/")
    set(unit "tool/${CMAKE_MATCH_1}")
  elseif(path MATCHES "^tools/iecapt/")
    set(unit "tool")
  elseif(path MATCHES "^tests/iecapt/win/")
    set(unit "tests/iecapt/win")
  elseif(path MATCHES "^tests/([^/]+)/")
    set(unit "tests/${CMAKE_MATCH_1}")
  elseif(path MATCHES "^tests/")
    set(unit "tests")
  else()
    set(unit "")
  endif()
  set(${out} "${unit}" PARENT_SCOPE)
endfunction()

# The unit an include names through an include folder ("convert/x.h",
# "system/win/x.h", "support/x.h"); empty for any other header (the standard
# library, Qt, GoogleTest, a test's own generated .moc).
function(unit_of_include included out)
  set(unit "")
  if(included MATCHES "^shared/([^/]+)/")
    set(unit "shared/${CMAKE_MATCH_1}")
  elseif(included MATCHES "^platform/(posix|qt|win)/")
    set(unit "platform/${CMAKE_MATCH_1}")
  elseif(included MATCHES "^(system|run)/(posix|win)/")
    set(unit "tool/${CMAKE_MATCH_1}/${CMAKE_MATCH_2}")
  elseif(included MATCHES "^([^/]+)/")
    set(top "${CMAKE_MATCH_1}")
    if(top IN_LIST program_units)
      set(unit "${top}")
    elseif(top IN_LIST tool_layers)
      set(unit "tool/${top}")
    elseif(top STREQUAL "fakes" OR top STREQUAL "support")
      set(unit "tests/${top}")
    endif()
  endif()
  set(${out} "${unit}" PARENT_SCOPE)
endfunction()

file(GLOB_RECURSE files RELATIVE "${ROOT}" "${ROOT}/shared/*" "${ROOT}/src/*" "${ROOT}/tests/*"
  "${ROOT}/tools/iecapt/*")
set(violations "")
set(include_pattern "^[ \t]*#[ \t]*include[ \t]*[<\"]([^>\"]*)[>\"]")
foreach(file IN LISTS files)
  unit_of_file("${file}" from)
  if(NOT DEFINED allowed_${from})
    string(APPEND violations "\n  ${file}: its folder has no place in the layers")
    continue()
  endif()
  get_filename_component(folder "${ROOT}/${file}" DIRECTORY)
  file(STRINGS "${ROOT}/${file}" lines REGEX "${include_pattern}")
  # Every include with the unit it reaches; a window test may see more.
  set(reached "")
  set(window_test FALSE)
  foreach(line IN LISTS lines)
    string(REGEX MATCH "${include_pattern}" directive "${line}")
    set(included "${CMAKE_MATCH_1}")
    set(to "")
    if(directive MATCHES "\"$" AND EXISTS "${folder}/${included}")
      # In quotes and beside the file (or reached by ./ and ../).
      get_filename_component(target "${folder}/${included}" ABSOLUTE)
      file(RELATIVE_PATH target_path "${ROOT}" "${target}")
      unit_of_file("${target_path}" to)
      if(to STREQUAL "")
        set(to "outside")
      endif()
    else()
      unit_of_include("${included}" to)
    endif()
    if(to STREQUAL "")
      continue()
    endif()
    if(to STREQUAL "app")
      set(window_test TRUE)
    endif()
    list(APPEND reached "${included}|${to}")
  endforeach()
  set(allowed ${allowed_${from}} ${from})
  if(window_test AND DEFINED window_tests/${from})
    list(APPEND allowed ${window_tests/${from}})
  endif()
  foreach(entry IN LISTS reached)
    string(REPLACE "|" ";" entry "${entry}")
    list(GET entry 0 included)
    list(GET entry 1 to)
    if(NOT to IN_LIST allowed)
      list(JOIN allowed ", " may)
      string(APPEND violations "\n  ${file} includes ${included} (${from} may include: ${may})")
    endif()
  endforeach()
endforeach()

if(violations)
  message(FATAL_ERROR "Includes that point up or sideways:${violations}")
endif()
list(LENGTH files count)
message(STATUS "${count} files under shared/, src/, tests/ and tools/iecapt/ include only what their layer may")
