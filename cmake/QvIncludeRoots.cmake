# Include roots. Headers are included as "folder/Header.h", but the project
# root itself is on no include path: it also holds the stand-in's testing and
# internal headers and the tests. Each root below is a directory of the build
# tree with one link per source folder it shows, so a target sees exactly the
# folders of the roots it is given:
#
#   product  the libraries' folders (rw ... pdl, resources); with the
#            stand-in's own root win32/include (Windows names only), the
#            only roots the product's libraries and the module are built with
#   module   module/, for the module and its tests
#   host     host/, for qvhost and its tests
#   tests    support/ (tests/support), the test-support library
#
# The stand-in adds its testing root (win32/testing, the "w32test/Testing.h"
# umbrella) and the host's administration root (win32/admin) to the targets
# that link qv_win32_testing or qv_win32_admin; its internal root
# (win32/internal) is on the stand-in's own include path only.
# scripts/check_layers.py checks which folder includes which.

# qv_include_root(<var> <name> <link>=<folder>...): makes the root <name> and
# sets <var> to its path.
function(qv_include_root var name)
  set(root ${CMAKE_BINARY_DIR}/include/${name})
  file(MAKE_DIRECTORY ${root})
  foreach(pair ${ARGN})
    string(REPLACE "=" ";" pair "${pair}")
    list(GET pair 0 link)
    list(GET pair 1 folder)
    if(NOT IS_SYMLINK ${root}/${link})
      file(CREATE_LINK ${PROJECT_SOURCE_DIR}/${folder} ${root}/${link} SYMBOLIC)
    endif()
  endforeach()
  set(${var} ${root} PARENT_SCOPE)
endfunction()

qv_include_root(QV_PRODUCT_ROOT product
  rw=rw model=model driver=driver winnt40=winnt40 ui=ui config=config printpath=printpath
  graphics=graphics pdl=pdl resources=resources)
qv_include_root(QV_MODULE_ROOT module module=module)
qv_include_root(QV_HOST_ROOT host host=host)
qv_include_root(QV_TESTS_ROOT tests support=tests/support)
