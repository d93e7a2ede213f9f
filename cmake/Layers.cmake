# Layers of the program, lowest first: platform, core, archive/sevenzip, archive/run, ui/skin,
# ui/windows. Includes are rooted at src ("core/EntryList.h"), but no library sees src itself:
# each one exports an include root of its own that holds only its layer's folder, so a file
# sees the headers of its own layer and of the libraries it links, and an include of a layer
# above it fails to compile.
#
# skrytkar_layer(<target> <folder under src>)
function(skrytkar_layer target folder)
  set(root ${PROJECT_BINARY_DIR}/layers/${target})
  get_filename_component(parent ${root}/${folder} DIRECTORY)
  file(MAKE_DIRECTORY ${parent})
  if(NOT EXISTS ${root}/${folder})
    file(CREATE_LINK ${PROJECT_SOURCE_DIR}/src/${folder} ${root}/${folder} SYMBOLIC)
  endif()
  get_target_property(type ${target} TYPE)
  if(type STREQUAL "INTERFACE_LIBRARY")
    target_include_directories(${target} INTERFACE ${root})
  else()
    target_include_directories(${target} PUBLIC ${root})
  endif()
endfunction()
