# Adds every direct sub-folder of DIR that has a CMakeLists.txt, in name order.
# Adapters, test suites and benchmarks plug themselves in this way, so adding
# one never means editing a shared list.
function(kv_add_subdirectories dir)
  file(GLOB children LIST_DIRECTORIES true "${dir}/*")
  list(SORT children)
  foreach(child IN LISTS children)
    if(IS_DIRECTORY "${child}" AND EXISTS "${child}/CMakeLists.txt")
      add_subdirectory("${child}")
    endif()
  endforeach()
endfunction()

# A ctest fixture NAME that makes an empty Korvane database (the SQLite schema,
# through the host's sqlite3 shell) as DIR/FILE before the tests that require
# NAME, and removes DIR after them. Windows tests under Wine reach it through
# the host's ODBC driver, which takes host paths.
function(kv_korvane_schema_fixture name dir file)
  add_test(NAME ${name}_make
    COMMAND sh -c "rm -rf \"$1\" && mkdir -p \"$1\" && sqlite3 \"$1/$2\" < \"$3\"" sh
            ${dir} ${file} ${PROJECT_SOURCE_DIR}/demo/schema.sqlite.sql)
  add_test(NAME ${name}_remove COMMAND ${CMAKE_COMMAND} -E rm -rf ${dir})
  set_tests_properties(${name}_make PROPERTIES FIXTURES_SETUP ${name} TIMEOUT 60)
  set_tests_properties(${name}_remove PROPERTIES FIXTURES_CLEANUP ${name} TIMEOUT 60)
endfunction()

# Registers a GoogleTest program with ctest: each test on its own (the
# default, so a failure names its test), or with KV_TESTS_PER_PROGRAM the
# whole program as one ctest test, for quick full runs where only "did any
# test fail" counts (mutation testing). Takes gtest_discover_tests' options.
function(kv_discover_tests target)
  if(NOT KV_TESTS_PER_PROGRAM)
    gtest_discover_tests(${target} ${ARGN})
    return()
  endif()
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "DISCOVERY_MODE;DISCOVERY_TIMEOUT" "PROPERTIES")
  add_test(NAME ${target} COMMAND ${target})
  if(arg_PROPERTIES)
    set_tests_properties(${target} PROPERTIES ${arg_PROPERTIES})
  endif()
endfunction()
