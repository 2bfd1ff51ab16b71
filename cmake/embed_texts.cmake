# Text files compiled into a program.
#
# orlenda_embed_texts(TARGET HEADER NAMESPACE FILES file...) adds to TARGET a
# source, made by the build, that defines each file's text as a
# std::string_view named after it (scroll_through.js: kScrollThrough) in
# NAMESPACE; HEADER (as the target includes it) declares them. The files stay
# what they are, so tools check and test them as they are; an edit rebuilds.
function(orlenda_embed_texts target header namespace)
  cmake_parse_arguments(PARSE_ARGV 3 arg "" "" "FILES")
  set(output ${CMAKE_CURRENT_BINARY_DIR}/${target}_texts.cpp)
  add_custom_command(OUTPUT ${output}
    COMMAND ${CMAKE_COMMAND} -DOUTPUT=${output} -DHEADER=${header} -DNAMESPACE=${namespace}
            "-DFILES=${arg_FILES}" -P ${PROJECT_SOURCE_DIR}/cmake/embed_texts.cmake
    DEPENDS ${arg_FILES} ${PROJECT_SOURCE_DIR}/cmake/embed_texts.cmake VERBATIM)
  target_sources(${target} PRIVATE ${output})
endfunction()

# Run as a script by the build: writes OUTPUT.
if(CMAKE_SCRIPT_MODE_FILE AND OUTPUT)
  set(delimiter "orlenda_text")
  set(text "// Made by the build from the files named below; edit those.\n")
  string(APPEND text "#include \"${HEADER}\"\n\nnamespace ${NAMESPACE} {\n")
  foreach(file IN LISTS FILES)
    get_filename_component(stem ${file} NAME_WE)
    string(REPLACE "_" ";" words ${stem})
    set(name "k")
    foreach(word IN LISTS words)
      string(SUBSTRING ${word} 0 1 first)
      string(SUBSTRING ${word} 1 -1 rest)
      string(TOUPPER ${first} first)
      string(APPEND name ${first}${rest})
    endforeach()
    file(READ ${file} content)
    string(FIND "${content}" ")${delimiter}\"" clash)
    if(NOT clash EQUAL -1)
      message(FATAL_ERROR "${file} holds the text \")${delimiter}\"\", which ends a raw string")
    endif()
    get_filename_component(file_name ${file} NAME)
    string(APPEND text "\n// ${file_name}\nextern const std::string_view ${name} = R\"${delimiter}(${content})${delimiter}\";\n")
  endforeach()
  string(APPEND text "\n}  // namespace ${NAMESPACE}\n")
  file(WRITE ${OUTPUT} "${text}")
endif()
