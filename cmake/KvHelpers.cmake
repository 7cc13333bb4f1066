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
