# Included by ctest for one test program (see mirefall_test): lists the program's test suites, again whenever
# the program or these rules are newer than the list, and adds one CTest test per group of MIREFALL_GROUP suites that follow one
# another, named "<label>.<suite>" for a group of one and "<label>.<first suite>..<last suite>" otherwise. A suite
# with variables of its own runs alone. Each group writes its tests' times as JSON to the results folder.

# A program not built yet (a build of some targets only) has no tests to offer.
if(NOT EXISTS "${MIREFALL_PROGRAM}")
  return()
endif()
if(NOT EXISTS "${MIREFALL_SUITES_FILE}" OR "${MIREFALL_PROGRAM}" IS_NEWER_THAN "${MIREFALL_SUITES_FILE}"
   OR "${CMAKE_PARENT_LIST_FILE}" IS_NEWER_THAN "${MIREFALL_SUITES_FILE}"
   OR "${CMAKE_CURRENT_LIST_FILE}" IS_NEWER_THAN "${MIREFALL_SUITES_FILE}")
  # Listing starts nothing (the test main skips the start-up), so it needs no X server.
  execute_process(COMMAND env ${MIREFALL_ENVIRONMENT} "${MIREFALL_PROGRAM}" --gtest_list_tests
    OUTPUT_VARIABLE listing RESULT_VARIABLE result ERROR_VARIABLE errors)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "Listing the tests of ${MIREFALL_PROGRAM} failed (${result}):\n${errors}")
  endif()
  set(content "")
  set(group "")
  set(group_environment "")

  # Adds the test that runs the suites of `group` in one process, with `group_environment`, and empties both.
  macro(add_group)
    list(LENGTH group size)
    if(size GREATER 0)
      list(GET group 0 first)
      list(GET group -1 last)
      if(size EQUAL 1)
        set(test "${MIREFALL_LABEL}.${first}")
      else()
        set(test "${MIREFALL_LABEL}.${first}..${last}")
      endif()
      string(REPLACE "/" "_" result_name "${test}")
      list(TRANSFORM group APPEND ".*" OUTPUT_VARIABLE patterns)
      list(JOIN patterns ":" filter)
      set(command "")
      foreach(word env ${MIREFALL_ENVIRONMENT} ${group_environment} ${MIREFALL_LAUNCHER} "${MIREFALL_PROGRAM}"
                   "--gtest_filter=${filter}" "--gtest_output=json:${MIREFALL_RESULTS}/${result_name}.json")
        string(APPEND command " [==[${word}]==]")
      endforeach()
      string(APPEND content "add_test([==[${test}]==]${command})\n"
                            "set_tests_properties([==[${test}]==] PROPERTIES LABELS [==[${MIREFALL_LABELS}]==])\n")
    endif()
    set(group "")
    set(group_environment "")
  endmacro()

  string(REPLACE "\n" ";" lines "${listing}")
  foreach(line IN LISTS lines)
    # Suite lines start at the margin and end with "." (a type or parameter comment may follow).
    if(line MATCHES "^([^ #][^ ]*)\\.( +#.*)?$")
      set(suite "${CMAKE_MATCH_1}")
      set(suite_environment "")
      foreach(entry IN LISTS MIREFALL_SUITE_ENVIRONMENT)
        string(FIND "${entry}" "${suite}:" at)
        if(at EQUAL 0)
          string(LENGTH "${suite}:" skip)
          string(SUBSTRING "${entry}" ${skip} -1 variable)
          list(APPEND suite_environment "${variable}")
        endif()
      endforeach()
      if(suite_environment)
        add_group()
        set(group "${suite}")
        set(group_environment "${suite_environment}")
        add_group()
      else()
        list(APPEND group "${suite}")
        list(LENGTH group size)
        if(size GREATER_EQUAL MIREFALL_GROUP)
          add_group()
        endif()
      endif()
    endif()
  endforeach()
  add_group()
  file(WRITE "${MIREFALL_SUITES_FILE}" "${content}")
endif()
include("${MIREFALL_SUITES_FILE}")
