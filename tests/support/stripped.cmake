# expect_stripped(PROGRAM...): fails unless every program has lost its symbol
# table and debug information, as installed programs do. Needs READELF.
function(expect_stripped)
  foreach(program ${ARGN})
    execute_process(COMMAND "${READELF}" --section-headers --wide "${program}"
                    OUTPUT_VARIABLE sections COMMAND_ERROR_IS_FATAL ANY)
    if(sections MATCHES "\\.symtab|\\.debug_")
      message(FATAL_ERROR "not stripped: ${program}")
    endif()
  endforeach()
endfunction()
