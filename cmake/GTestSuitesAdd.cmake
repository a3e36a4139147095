# Run by CTest through the include file flintmoor_gtest_suites writes: lists
# the suites of SUITES_EXE (cached in SUITES_LIST) and adds one test for each.
if(NOT EXISTS "${SUITES_EXE}")
  add_test("${SUITES_PREFIX}.NOT_BUILT" "${SUITES_EXE}")
  return()
endif()
if(NOT EXISTS "${SUITES_LIST}" OR "${SUITES_EXE}" IS_NEWER_THAN "${SUITES_LIST}")
  execute_process(COMMAND "${SUITES_EXE}" --gtest_list_tests
    OUTPUT_VARIABLE listed RESULT_VARIABLE listed_result ERROR_VARIABLE listed_error)
  if(NOT listed_result EQUAL 0)
    message(WARNING "${SUITES_EXE} --gtest_list_tests failed: ${listed_error}")
    add_test("${SUITES_PREFIX}.NOT_LISTED" "${SUITES_EXE}" --gtest_list_tests)
    return()
  endif()
  # Suite lines start in the first column ("Suite." or "Instance/Suite.",
  # perhaps followed by "  # TypeParam = ..."); test lines are indented.
  set(suites "")
  string(REPLACE "\n" ";" lines "${listed}")
  foreach(line IN LISTS lines)
    if(line MATCHES "^([^ #][^ ]*)\\.")
      list(APPEND suites "${CMAKE_MATCH_1}")
    endif()
  endforeach()
  list(REMOVE_DUPLICATES suites)
  file(WRITE "${SUITES_LIST}" "${suites}")
endif()
file(READ "${SUITES_LIST}" suites)
foreach(suite IN LISTS suites)
  set(name "${SUITES_PREFIX}.${suite}")
  add_test("${name}" "${SUITES_EXE}" "--gtest_filter=${suite}.*")
  set_tests_properties("${name}" PROPERTIES LABELS "${SUITES_LABELS}" TIMEOUT "${SUITES_TIMEOUT}"
    WORKING_DIRECTORY "${SUITES_WORKDIR}")
endforeach()
