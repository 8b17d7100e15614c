# Included by ctest for one test program (see mirefall_test): lists the program's test suites, again whenever
# the program is newer than the list, and adds one CTest test per suite, named "<label>.<suite>". Each suite
# writes its tests' times as JSON to the results folder.

if(NOT EXISTS "${MIREFALL_SUITES_FILE}" OR "${MIREFALL_PROGRAM}" IS_NEWER_THAN "${MIREFALL_SUITES_FILE}")
  # Listing starts nothing (the test main skips the start-up), so it needs no X server.
  execute_process(COMMAND env ${MIREFALL_ENVIRONMENT} "${MIREFALL_PROGRAM}" --gtest_list_tests
    OUTPUT_VARIABLE listing RESULT_VARIABLE result ERROR_VARIABLE errors)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "Listing the tests of ${MIREFALL_PROGRAM} failed (${result}):\n${errors}")
  endif()
  set(content "")
  string(REPLACE "\n" ";" lines "${listing}")
  foreach(line IN LISTS lines)
    # Suite lines start at the margin and end with "." (a type or parameter comment may follow).
    if(line MATCHES "^([^ #][^ ]*)\\.( +#.*)?$")
      set(suite "${CMAKE_MATCH_1}")
      set(test "${MIREFALL_LABEL}.${suite}")
      string(REPLACE "/" "_" result_name "${test}")
      set(suite_environment "")
      foreach(entry IN LISTS MIREFALL_SUITE_ENVIRONMENT)
        string(FIND "${entry}" "${suite}:" at)
        if(at EQUAL 0)
          string(LENGTH "${suite}:" skip)
          string(SUBSTRING "${entry}" ${skip} -1 variable)
          list(APPEND suite_environment "${variable}")
        endif()
      endforeach()
      set(command "")
      foreach(word env ${MIREFALL_ENVIRONMENT} ${suite_environment} ${MIREFALL_LAUNCHER} "${MIREFALL_PROGRAM}"
                   "--gtest_filter=${suite}.*" "--gtest_output=json:${MIREFALL_RESULTS}/${result_name}.json")
        string(APPEND command " [==[${word}]==]")
      endforeach()
      string(APPEND content "add_test([==[${test}]==]${command})\n"
                            "set_tests_properties([==[${test}]==] PROPERTIES LABELS [==[${MIREFALL_LABELS}]==])\n")
    endif()
  endforeach()
  file(WRITE "${MIREFALL_SUITES_FILE}" "${content}")
endif()
include("${MIREFALL_SUITES_FILE}")
