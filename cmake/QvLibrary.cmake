# qv_folder_library(<target> [DEPENDS <libs>...])
# One static library per source folder, made of every .cpp file in it. A
# folder without sources yet makes no target. Each library made is added to
# QV_MODULE_LIBRARIES, lowest first, for the module to link in whole.
function(qv_folder_library target)
  cmake_parse_arguments(L "" "" "DEPENDS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  if(NOT sources)
    return()
  endif()
  add_library(${target} STATIC ${sources})
  if(L_DEPENDS)
    target_link_libraries(${target} PUBLIC ${L_DEPENDS})
  endif()
  set_property(GLOBAL APPEND PROPERTY QV_MODULE_LIBRARIES ${target})
endfunction()
