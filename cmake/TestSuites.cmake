# One test for CTest per GoogleTest suite, run in one process. Under Wine a test process takes about
# a quarter of a second to start and end, more than most tests take: the suites of a test program run
# together, as GoogleTest runs them, and a failure still names the test and its output.
# Each test is named by its prefix and suite (unit.Framework). The suites are read from the sources'
# TEST and TEST_F lines; a change of a source reads them again.
function(px2d_add_test_suites target)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "PREFIX" "SOURCES;EXCLUDE;PROPERTIES")
  set(suites)
  foreach(source IN LISTS arg_SOURCES)
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${source})
    file(STRINGS ${source} lines REGEX "^TEST(_F)?\\([A-Za-z0-9_]+,")
    foreach(line IN LISTS lines)
      string(REGEX REPLACE "^TEST(_F)?\\(([A-Za-z0-9_]+),.*" "\\2" suite "${line}")
      list(APPEND suites ${suite})
    endforeach()
  endforeach()
  list(REMOVE_DUPLICATES suites)
  list(REMOVE_ITEM suites ${arg_EXCLUDE})
  list(SORT suites)
  foreach(suite IN LISTS suites)
    add_test(NAME ${arg_PREFIX}${suite} COMMAND ${target} --gtest_filter=${suite}.*)
    if(arg_PROPERTIES)
      set_tests_properties(${arg_PREFIX}${suite} PROPERTIES ${arg_PROPERTIES})
    endif()
  endforeach()
endfunction()
