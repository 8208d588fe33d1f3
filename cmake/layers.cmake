# One static library per layer. A layer's headers are reachable as
# "layer/name.hpp" only through a folder that holds that layer alone (a link
# to its source folder), and a target sees the folders of the layers it links:
# an #include of a layer above or beside one's own does not compile.
function(corvel_layer_headers target layer)
  set(root ${CMAKE_BINARY_DIR}/layers/${layer})
  if(NOT EXISTS ${root}/${layer})
    file(MAKE_DIRECTORY ${root})
    file(CREATE_LINK ${CMAKE_SOURCE_DIR}/${layer} ${root}/${layer} SYMBOLIC)
  endif()
  target_include_directories(${target} PUBLIC ${root})
endfunction()

# corvel_layer(NAME SOURCES file... USES library...)
function(corvel_layer layer)
  cmake_parse_arguments(L "" "" "SOURCES;USES" ${ARGN})
  add_library(corvel_${layer} STATIC ${L_SOURCES})
  corvel_layer_headers(corvel_${layer} ${layer})
  target_link_libraries(corvel_${layer} PUBLIC ${L_USES})
endfunction()
