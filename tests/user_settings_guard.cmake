# Guards the settings of the user who runs the suite (run with cmake -P).
#   ACTION=record   before the first test: notes the user's settings file as
#                   it is (or that there is none), empties the tests' homes
#                   and makes each test's runtime folder, for it alone (0700),
#                   as RUNTIME_FOLDERS lists them
#   ACTION=compare  after the last test: fails unless the file is byte for
#                   byte as noted, or still absent
# STATE is the folder for the note, TEST_HOMES the folder of the tests' homes.
# This runs with the user's own environment, where the program would look.

if(DEFINED ENV{XDG_CONFIG_HOME} AND NOT "$ENV{XDG_CONFIG_HOME}" STREQUAL "")
  set(config_home "$ENV{XDG_CONFIG_HOME}")
else()
  set(config_home "$ENV{HOME}/.config")
endif()
set(settings_file "${config_home}/Tovrik/Orlenda.conf")
set(copy "${STATE}/Orlenda.conf.before")
set(absent "${STATE}/no-settings-file-before")

if(ACTION STREQUAL "record")
  file(REMOVE_RECURSE "${STATE}" "${TEST_HOMES}")
  file(MAKE_DIRECTORY "${STATE}" "${TEST_HOMES}")
  file(READ "${RUNTIME_FOLDERS}" runtime_folders)
  foreach(folder IN LISTS runtime_folders)
    file(MAKE_DIRECTORY "${folder}")
    file(CHMOD "${folder}" DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE)
  endforeach()
  if(EXISTS "${settings_file}")
    file(COPY_FILE "${settings_file}" "${copy}")
  else()
    file(TOUCH "${absent}")
  endif()
  message(STATUS "Noted the state of ${settings_file}")
elseif(ACTION STREQUAL "compare")
  if(EXISTS "${absent}")
    if(EXISTS "${settings_file}")
      message(FATAL_ERROR "The tests created the user's settings file ${settings_file}")
    endif()
  elseif(NOT EXISTS "${copy}")
    message(FATAL_ERROR "No note of ${settings_file} from before the tests")
  elseif(NOT EXISTS "${settings_file}")
    message(FATAL_ERROR "The tests removed the user's settings file ${settings_file}")
  else()
    execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files "${copy}" "${settings_file}"
                    RESULT_VARIABLE differs)
    if(differs)
      message(FATAL_ERROR "The tests changed the user's settings file ${settings_file}")
    endif()
  endif()
  message(STATUS "${settings_file} is as it was before the tests")
else()
  message(FATAL_ERROR "ACTION must be record or compare")
endif()
