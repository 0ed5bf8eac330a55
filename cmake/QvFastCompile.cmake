# How the libraries and the test programs are compiled for speed, given to
# every target that qv_folder_library and qv_test_program make, so a new
# library or test program gets it without doing anything.
#
# Unity build: the sources of a target are compiled in batches, each batch
# one translation unit, so the headers they share are parsed, and the
# templates they share instantiated and optimised, once per batch instead of
# once per file. Names local to one file (anonymous namespaces, static
# functions and constants) must therefore differ between the files of one
# target. A file that cannot share a batch is taken out with the source
# property SKIP_UNITY_BUILD_INCLUSION, with the reason beside it.
# A build with QV_UNITY=OFF checks that each file still names everything
# it uses itself.
option(QV_UNITY "Compile the libraries and the test programs in batches of sources" ON)
set(QV_UNITY_BATCH 8 CACHE STRING "How many sources one batch of a unity build holds")

# qv_fast_compile(<target>)
function(qv_fast_compile target)
  if(QV_UNITY)
    set_target_properties(${target} PROPERTIES
      UNITY_BUILD ON UNITY_BUILD_MODE BATCH UNITY_BUILD_BATCH_SIZE ${QV_UNITY_BATCH})
  endif()
endfunction()

# Precompiled headers: a target precompiles the headers that at least
# QV_PCH_SHARE percent of its sources include (the product's headers it
# tests, the standard library's), found by reading the sources' include
# lines when the build is configured; GoogleTest's header is precompiled
# for every test program. Such a header is then seen by every source of
# the target, included or not.
set(QV_PCH_SHARE 30 CACHE STRING "The share of a target's sources (percent) that must include a header for it to be precompiled")

# qv_common_headers(<var> <sources>...): the headers at least QV_PCH_SHARE
# percent of <sources> include, in the order first seen, as include-line
# operands ("<folder/Header.h>", "<vector>").
function(qv_common_headers var)
  set(seen "")
  list(LENGTH ARGN count)
  foreach(src ${ARGN})
    file(STRINGS ${src} lines REGEX "^[ \t]*#[ \t]*include[ \t]*[<\"][^>\"]+[>\"]")
    set(mine "")
    foreach(line ${lines})
      string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*[<\"]([^>\"]+)[>\"].*" "\\1" header "${line}")
      # Only headers found through the include paths: a folder-qualified
      # product header or a standard one, never one beside the source.
      if(header MATCHES "/" OR NOT header MATCHES "\\.")
        list(APPEND mine ${header})
      endif()
    endforeach()
    list(REMOVE_DUPLICATES mine)
    foreach(header ${mine})
      string(MAKE_C_IDENTIFIER "${header}" key)
      if(NOT DEFINED _n_${key})
        set(_n_${key} 0)
        list(APPEND seen ${header})
      endif()
      math(EXPR _n_${key} "${_n_${key}} + 1")
    endforeach()
  endforeach()
  set(common "")
  foreach(header ${seen})
    string(MAKE_C_IDENTIFIER "${header}" key)
    math(EXPR share "${_n_${key}} * 100 / ${count}")
    if(count GREATER 1 AND share GREATER_EQUAL QV_PCH_SHARE)
      list(APPEND common "<${header}>")
    endif()
  endforeach()
  set(${var} ${common} PARENT_SCOPE)
endfunction()

# qv_precompile_common_headers(<target> <sources>...)
function(qv_precompile_common_headers target)
  qv_common_headers(headers ${ARGN})
  if(headers)
    target_precompile_headers(${target} PRIVATE ${headers})
  endif()
endfunction()
