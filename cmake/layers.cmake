# Layers the compiler enforces.
#
# orlenda_layer(TARGET SOURCE_DIR FOLDERS folder... [INTERFACES_OF folder...])
# gives TARGET an include folder of its own in the build tree that holds
# links to the named folders of SOURCE_DIR and nothing else, so an include of
# any other folder does not compile, in quotes or in angle brackets. With
# INTERFACES_OF only the headers directly in that folder are linked, not its
# subfolders (the interfaces, without their implementations). The include
# folder is public (of an interface library: its interface): what links
# TARGET sees what its headers include.
function(orlenda_layer target source_dir)
  cmake_parse_arguments(PARSE_ARGV 2 arg "" "" "FOLDERS;INTERFACES_OF")
  set(root ${CMAKE_BINARY_DIR}/layers/${target})
  file(REMOVE_RECURSE ${root})
  file(MAKE_DIRECTORY ${root})
  foreach(folder IN LISTS arg_FOLDERS)
    get_filename_component(parent ${root}/${folder} DIRECTORY)
    file(MAKE_DIRECTORY ${parent})
    file(CREATE_LINK ${source_dir}/${folder} ${root}/${folder} SYMBOLIC)
  endforeach()
  foreach(folder IN LISTS arg_INTERFACES_OF)
    file(MAKE_DIRECTORY ${root}/${folder})
    file(GLOB headers CONFIGURE_DEPENDS RELATIVE ${source_dir}/${folder} ${source_dir}/${folder}/*.h)
    foreach(header IN LISTS headers)
      file(CREATE_LINK ${source_dir}/${folder}/${header} ${root}/${folder}/${header} SYMBOLIC)
    endforeach()
  endforeach()
  get_target_property(type ${target} TYPE)
  if(type STREQUAL "INTERFACE_LIBRARY")
    target_include_directories(${target} INTERFACE ${root})
  else()
    target_include_directories(${target} PUBLIC ${root})
  endif()
endfunction()
