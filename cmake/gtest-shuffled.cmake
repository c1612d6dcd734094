# trackview_gtest(TARGET [TEST_PREFIX PREFIX] [LABELS LABEL...]) registers a GoogleTest binary
# with CTest twice: every case as its own test (discovered when the tests run, so that
# `ctest -R` finds single cases), and the whole binary in one process, shuffled and run twice, as
# PREFIX TARGET.shuffled, so that cases which pass only alone or in one order fail.
find_package(GTest REQUIRED)
include(GoogleTest)

function(trackview_gtest target)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "TEST_PREFIX" "LABELS")
  gtest_discover_tests(${target} TEST_PREFIX "${arg_TEST_PREFIX}" DISCOVERY_MODE PRE_TEST
    DISCOVERY_TIMEOUT 60 PROPERTIES LABELS "${arg_LABELS}")
  set(shuffled ${arg_TEST_PREFIX}${target}.shuffled)
  add_test(NAME ${shuffled} COMMAND ${target} --gtest_shuffle --gtest_repeat=2)
  if(arg_LABELS)
    set_tests_properties(${shuffled} PROPERTIES LABELS "${arg_LABELS}")
  endif()
endfunction()
