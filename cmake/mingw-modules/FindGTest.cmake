# GoogleTest for the Windows cross build, compiled from /usr/src/googletest
# (Debian's googletest package) with the same toolchain as the tests.
if(TARGET GTest::gtest)
  set(GTest_FOUND TRUE)
  return()
endif()

set(KV_GTEST_SOURCE_DIR /usr/src/googletest CACHE PATH "GoogleTest sources for the cross build")
if(NOT EXISTS ${KV_GTEST_SOURCE_DIR}/CMakeLists.txt)
  set(GTest_FOUND FALSE)
  if(GTest_FIND_REQUIRED)
    message(FATAL_ERROR "GoogleTest sources not found in ${KV_GTEST_SOURCE_DIR} (install googletest)")
  endif()
  return()
endif()

set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
add_subdirectory(${KV_GTEST_SOURCE_DIR} ${CMAKE_BINARY_DIR}/_googletest EXCLUDE_FROM_ALL)
# Third-party code: our warning flags (and -Werror) are not its business.
foreach(lib gtest gtest_main gmock gmock_main)
  if(TARGET ${lib})
    set_property(TARGET ${lib} PROPERTY COMPILE_OPTIONS "")
    target_compile_options(${lib} PRIVATE -w)
  endif()
endforeach()

# Recent GoogleTest releases define the namespaced names themselves.
foreach(lib gtest gtest_main gmock gmock_main)
  if(TARGET ${lib} AND NOT TARGET GTest::${lib})
    add_library(GTest::${lib} ALIAS ${lib})
  endif()
endforeach()
set(GTest_FOUND TRUE)
set(GTEST_FOUND TRUE)
