include(${CMAKE_CURRENT_LIST_DIR}/QvFastCompile.cmake)

# qv_folder_library(<target> [SHARED] [DEPENDS <libs>...])
# One library per source folder, made of every .cpp file in it. A folder
# without sources yet makes no target. Each static library made is added to
# QV_MODULE_LIBRARIES, lowest first, for the module to link in whole.
#
# SHARED makes a shared library with every symbol visible instead, which the
# module links dynamically: the stand-in for the platform is one, so that the
# module and whoever loads it (the tests, the host) see one platform.
function(qv_folder_library target)
  cmake_parse_arguments(L "SHARED" "" "DEPENDS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  if(NOT sources)
    return()
  endif()
  if(L_SHARED)
    add_library(${target} SHARED ${sources})
    set_target_properties(${target} PROPERTIES
      CXX_VISIBILITY_PRESET default C_VISIBILITY_PRESET default VISIBILITY_INLINES_HIDDEN OFF)
  else()
    add_library(${target} STATIC ${sources})
  endif()
  qv_fast_compile(${target})
  if(L_DEPENDS)
    target_link_libraries(${target} PUBLIC ${L_DEPENDS})
  endif()
  if(NOT L_SHARED)
    set_property(GLOBAL APPEND PROPERTY QV_MODULE_LIBRARIES ${target})
  endif()
  # The layer check compares the checked list with what each library links.
  file(RELATIVE_PATH folder ${PROJECT_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR})
  string(REPLACE ";" "," depends "${L_DEPENDS}")
  set_property(GLOBAL APPEND PROPERTY QV_LAYER_GRAPH "${folder}|${target}|${depends}")
endfunction()
