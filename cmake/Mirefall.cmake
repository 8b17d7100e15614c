# Compiler set-up and the helpers every layer uses to declare its library, tests and fuzz targets.

find_program(CCACHE_PROGRAM ccache)
if(CCACHE_PROGRAM)
  # CI builds a fresh clone in another folder: relative paths in debug info keep ccache hitting.
  set(CMAKE_C_COMPILER_LAUNCHER ${CCACHE_PROGRAM})
  set(CMAKE_CXX_COMPILER_LAUNCHER ${CCACHE_PROGRAM})
  add_compile_options(-fdebug-prefix-map=${CMAKE_SOURCE_DIR}=.)
endif()

add_compile_options(-Wall -Wextra)

if(MIREFALL_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
  # Position-dependent programs: a test program starts hundreds of times a run, and a position-independent one
  # first rewrites its two million sanitizer, vtable and type pointers at each start.
  add_link_options(-fsanitize=address,undefined -no-pie)
endif()

if(MIREFALL_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    message(FATAL_ERROR "MIREFALL_FUZZ needs clang (CXX=clang++)")
  endif()
  # Undefined behaviour in a reader must end the run as a crash, not scroll past as a message.
  add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()

# mirefall_library(NAME DIRS dir... DEPS lib... [PRIVATE_DEPS lib...] [PRIVATE_DIRS dir...] [EXCLUDE file...])
# One static library per layer, made of every .cpp in the given folders but the EXCLUDE ones (a program's
# entry point beside its layer). PRIVATE_DEPS (Qt, X11, EGL, the codecs) are linked but their headers stay
# inside the layer; PRIVATE_DIRS hold the layer's internal headers.
function(mirefall_library name)
  cmake_parse_arguments(ARG "" "" "DIRS;DEPS;PRIVATE_DEPS;PRIVATE_DIRS;EXCLUDE" ${ARGN})
  set(sources)
  foreach(dir ${ARG_DIRS})
    file(GLOB found CONFIGURE_DEPENDS ${dir}/*.cpp)
    list(APPEND sources ${found})
  endforeach()
  if(ARG_EXCLUDE)
    list(REMOVE_ITEM sources ${ARG_EXCLUDE})
  endif()
  if(sources)
    add_library(${name} STATIC ${sources})
    target_include_directories(${name} PUBLIC ${ARG_DIRS})
    target_include_directories(${name} PRIVATE ${ARG_PRIVATE_DIRS})
    target_link_libraries(${name} PUBLIC ${ARG_DEPS} PRIVATE ${ARG_PRIVATE_DEPS})
  else()
    # A layer whose first module is not written yet still takes part in the dependency graph.
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE ${ARG_DIRS})
    target_link_libraries(${name} INTERFACE ${ARG_DEPS})
  endif()
endfunction()

# mirefall_test(NAME LABEL label DIRS dir... DEPS lib... [ENVIRONMENT var=value...] [WINDOW])
# One test program per layer, made of every .cpp in the given folders. One process runs several suites that follow
# one another as one CTest test, so that a run starts a few dozen processes, not hundreds (a sanitized program's
# start and leak check cost more than most suites); every group writes its tests' times to test-results/, which
# scripts/slowest-tests.cmake reads.
# A suite that needs variables of its own lists them in the program's MIREFALL_SUITE_ENVIRONMENT property as
# "<suite>:VAR=value" entries; they come after the program's and so win.
# WINDOW: the tests need an X server; each suite runs alone, under its own Xvfb (xvfb-run), and carries the label
# "window" beside its own, so that `ctest -L window` selects every program that needs a display.
function(mirefall_test name)
  cmake_parse_arguments(ARG "WINDOW" "LABEL" "DIRS;DEPS;ENVIRONMENT" ${ARGN})
  set(sources)
  foreach(dir ${ARG_DIRS})
    file(GLOB found CONFIGURE_DEPENDS ${dir}/*.cpp)
    list(APPEND sources ${found})
  endforeach()
  add_executable(${name} ${sources} ${CMAKE_SOURCE_DIR}/tests/test_main.cpp)
  target_link_libraries(${name} PRIVATE ${ARG_DEPS} GTest::gtest GTest::gmock)
  target_compile_definitions(${name} PRIVATE MIREFALL_FIXTURES="${CMAKE_SOURCE_DIR}/tests/fixtures")
  set(environment ${MIREFALL_TEST_ENVIRONMENT} ${ARG_ENVIRONMENT})
  set(launcher)
  set(labels ${ARG_LABEL})
  set(group 8)
  if(ARG_WINDOW)
    set(group 1)
    list(APPEND labels window)
    list(REMOVE_DUPLICATES labels)
    list(FILTER environment EXCLUDE REGEX "^QT_QPA_PLATFORM=")
    list(APPEND environment "QT_QPA_PLATFORM=xcb")
    set(launcher "xvfb-run;-a;-s;-screen 0 1280x1024x24")
  endif()
  # The suites are listed when ctest runs (the program may be rebuilt in between), through a file that
  # ctest includes: it lists the program's suites and adds one test for each. The environment goes through
  # env in front of the program, so that a list of variables stays whole.
  set(suites_file ${CMAKE_CURRENT_BINARY_DIR}/${name}_suites.cmake)
  set(include_file ${CMAKE_CURRENT_BINARY_DIR}/${name}_include.cmake)
  file(GENERATE OUTPUT ${include_file} CONTENT
    "set(MIREFALL_PROGRAM \"$<TARGET_FILE:${name}>\")
set(MIREFALL_LABEL \"${ARG_LABEL}\")
set(MIREFALL_LABELS \"${labels}\")
set(MIREFALL_ENVIRONMENT \"${environment}\")
set(MIREFALL_SUITE_ENVIRONMENT \"$<TARGET_PROPERTY:${name},MIREFALL_SUITE_ENVIRONMENT>\")
set(MIREFALL_LAUNCHER \"${launcher}\")
set(MIREFALL_GROUP ${group})
set(MIREFALL_RESULTS \"${CMAKE_BINARY_DIR}/test-results\")
set(MIREFALL_SUITES_FILE \"${suites_file}\")
include(\"${CMAKE_SOURCE_DIR}/cmake/TestSuites.cmake\")
")
  set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES ${include_file})
endfunction()

# mirefall_fuzz(NAME DEPS lib...)
# fuzz/NAME.cpp holds LLVMFuzzerTestOneInput. With MIREFALL_FUZZ it is a libFuzzer program; in the normal
# build the same code is linked to a replayer that feeds it every file of fuzz/corpus/NAME as a CTest test.
function(mirefall_fuzz name)
  cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
  set(src ${CMAKE_SOURCE_DIR}/fuzz/${name}.cpp)
  # Targets that read through the engine start it first (LLVMFuzzerInitialize).
  if(vavodad IN_LIST ARG_DEPS)
    list(APPEND src ${CMAKE_SOURCE_DIR}/fuzz/vavodad_init.cpp)
  endif()
  if(MIREFALL_FUZZ)
    add_executable(fuzz_${name} ${src})
    target_link_libraries(fuzz_${name} PRIVATE ${ARG_DEPS})
    target_link_options(fuzz_${name} PRIVATE -fsanitize=fuzzer)
  else()
    add_executable(fuzz_${name}_replay ${src} ${CMAKE_SOURCE_DIR}/fuzz/replay_main.cpp)
    target_link_libraries(fuzz_${name}_replay PRIVATE ${ARG_DEPS})
    add_test(NAME fuzz.${name}
      COMMAND fuzz_${name}_replay ${CMAKE_SOURCE_DIR}/fuzz/corpus/${name})
    set_tests_properties(fuzz.${name} PROPERTIES LABELS fuzz ENVIRONMENT "${MIREFALL_TEST_ENVIRONMENT}")
  endif()
endfunction()

# Tests are headless whoever runs them. The leak checker does not follow dynamic thread-local storage: the GL
# driver's records of it sent the checker's own scan at exit into unmapped memory, failing passing programs.
set(MIREFALL_TEST_ENVIRONMENT
  "QT_QPA_PLATFORM=offscreen"
  "ALSOFT_DRIVERS=null"
  "ASAN_OPTIONS=detect_leaks=1:abort_on_error=0:detect_stack_use_after_return=1:intercept_tls_get_addr=0"
  "LSAN_OPTIONS=suppressions=${CMAKE_SOURCE_DIR}/tests/lsan_driver.supp"
  "UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1")
