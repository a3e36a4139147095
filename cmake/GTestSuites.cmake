# One CTest test per Google Test suite: all tests of a suite run in one
# process, so that what a suite makes once for all its tests (the movies of
# SetUpTestSuite) is really made once, not again in a process per test.
#
# flintmoor_gtest_suites(TARGET PREFIX prefix LABELS label... TIMEOUT seconds
#                        [QUICK_SUITES suite...])
# adds the tests <prefix>.<Suite> (a parameterised suite keeps its
# instantiation: <prefix>.<Instance>/<Suite>), each running TARGET with
# --gtest_filter=<Suite>.*; the QUICK_SUITES also get the label `quick`.
# The suites are listed when CTest starts (and again whenever TARGET is newer
# than the list), as gtest_discover_tests does with DISCOVERY_MODE PRE_TEST.
# One test alone: TARGET --gtest_filter=Suite.Test.
function(flintmoor_gtest_suites target)
  cmake_parse_arguments(S "" "PREFIX;TIMEOUT" "LABELS;QUICK_SUITES" ${ARGN})
  set(list_file "${CMAKE_CURRENT_BINARY_DIR}/${target}_suites.txt")
  set(include_file "${CMAKE_CURRENT_BINARY_DIR}/${target}_suites.cmake")
  file(GENERATE OUTPUT "${include_file}" CONTENT
"set(SUITES_EXE \"$<TARGET_FILE:${target}>\")
set(SUITES_LIST \"${list_file}\")
set(SUITES_PREFIX \"${S_PREFIX}\")
set(SUITES_LABELS \"${S_LABELS}\")
set(SUITES_QUICK \"${S_QUICK_SUITES}\")
set(SUITES_TIMEOUT \"${S_TIMEOUT}\")
set(SUITES_WORKDIR \"${CMAKE_CURRENT_BINARY_DIR}\")
include(\"${PROJECT_SOURCE_DIR}/cmake/GTestSuitesAdd.cmake\")
")
  set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES "${include_file}")
endfunction()
