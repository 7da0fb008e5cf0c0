# Test programs and their CTest entries.
#
# Every test program gets one CTest entry per test suite, so that a hang costs one suite and its
# own time-out, never the rest of the program; a process start per case would cost more than
# it tells (under an emulated CPU a Wine process takes seconds to start). The suites come from the
# program's sources (TEST, TEST_F and TEST_P), read when the project is configured, so nothing
# has to run under Wine to list them. A test whose suite the reading missed is still run: the
# program's first entry runs everything no other entry names.

# Time bounds of tests widen by this factor on a slow host (tools/test.sh sets it).
set(TAVIK_TIME_SCALE 1 CACHE STRING "Factor by which the tests' time bounds widen")

# A test's time-out: `seconds` on this machine, widened by the time scale.
function(tavik_test_timeout test seconds)
  math(EXPR scaled "${seconds} * ${TAVIK_TIME_SCALE}")
  set_tests_properties(${test} PROPERTIES TIMEOUT ${scaled})
endfunction()

# The gtest filters of the suites that `sources` declare: "Suite.*", or "*/Suite.*" for a
# parameterised one; `out_cases` gets one filter for each case declared.
function(_tavik_gtest_suites out_suites out_cases)
  set(suites)
  set(ws "[ \t\r\n]*")
  set(id "[A-Za-z0-9_]+")
  foreach(source ${ARGN})
    if(NOT source MATCHES "\\.(cpp|cc)$")
      continue()
    endif()
    get_filename_component(path ${source} ABSOLUTE BASE_DIR ${CMAKE_CURRENT_SOURCE_DIR})
    file(READ ${path} text)
    string(REGEX MATCHALL "\n(TEST|TEST_F|TEST_P)\\(${ws}${id}${ws},${ws}${id}" declarations
           "\n${text}")
    foreach(declaration ${declarations})
      string(REGEX REPLACE "^\n(TEST|TEST_F|TEST_P)\\(${ws}(${id})${ws},${ws}(${id})$"
                           "\\1;\\2;\\3" parts "${declaration}")
      list(GET parts 0 kind)
      list(GET parts 1 suite)
      list(GET parts 2 name)
      if(kind STREQUAL "TEST_P")
        list(APPEND suites "*/${suite}.*")
      else()
        list(APPEND suites "${suite}.*")
      endif()
    endforeach()
  endforeach()
  set(${out_cases} "${suites}" PARENT_SCOPE)
  list(REMOVE_DUPLICATES suites)
  set(${out_suites} "${suites}" PARENT_SCOPE)
endfunction()

# A unit-test program: one executable, run under the emulator, with its CTest entries.
#   tavik_add_test(NAME name SOURCES ... [LIBS ...] [LABELS ...] [TIMEOUT seconds] [CAMERA]
#                  [DESKTOP_LOG] [FIXTURES ...] [PROPERTIES name value ...])
# CAMERA marks a test that drives the simulated camera: it runs only after the camera's driver
# has been started, and has the camera to itself. DESKTOP_LOG marks one that writes or reads
# the log file on the prefix's desktop, which only one test at a time may own. Under Wine each such
# test gets a prefix lane of its own (camera, desktop and all; see wine-run.sh), so as many run at
# once as there are lanes; elsewhere they take turns. TIMEOUT is each case's budget on this machine
# (widened by the time scale): by default 25 s, five minutes in the emulated VM, where the longest
# case takes under two on a loaded host. An entry's time-out is the sum of its cases' budgets and
# 10 s for the program's start, and every wait of a case is held within the case's own budget
# (TAVIK_CASE_SECONDS, TimeScale.h), so a case that waits in vain fails with its line before CTest
# ends the entry; a hung case costs its entry, never the run. (The test preset gives 300 s to any
# entry made without a time-out.)
# FIXTURES are further fixtures each entry requires; PROPERTIES go to every entry.
function(tavik_add_test)
  cmake_parse_arguments(T "CAMERA;DESKTOP_LOG" "NAME;TIMEOUT" "SOURCES;LIBS;LABELS;FIXTURES;PROPERTIES"
                        ${ARGN})
  add_executable(${T_NAME} ${T_SOURCES})
  tavik_warnings(${T_NAME})
  target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} tavik_gtest_main)

  set(locks)
  set(fixtures ${T_FIXTURES})
  if(T_CAMERA)
    list(APPEND T_LABELS camera)
    list(APPEND locks camera)
    list(APPEND fixtures camera_driver)
  else()
    list(APPEND T_LABELS unit)
  endif()
  if(T_DESKTOP_LOG)
    list(APPEND locks desktop_log)
  endif()
  set(owns_prefix FALSE)
  if(locks AND TAVIK_PREFIX_LANES)
    set(owns_prefix TRUE)
  endif()
  _tavik_gtest_suites(filters cases ${T_SOURCES})
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 25)
  endif()
  if(NOT filters)
    message(FATAL_ERROR "${T_NAME}: no TEST, TEST_F or TEST_P found in its sources")
  endif()

  set(first TRUE)
  foreach(filter ${filters})
    # "Suite.*" and "*/Suite.*" are entry "name.Suite".
    string(REGEX REPLACE "^\\*/|\\.\\*$" "" entry "${filter}")
    set(entry "${T_NAME}.${entry}")
    if(first)
      set(others ${filters})
      list(REMOVE_ITEM others "${filter}")
      list(JOIN others ":" others)
      set(gtest_filter "-${others}")
      set(first FALSE)
    else()
      set(gtest_filter "${filter}")
    endif()
    add_test(NAME ${entry} COMMAND ${T_NAME} "--gtest_filter=${gtest_filter}")
    # Until CTest has timed an entry, its cost is its number of cases, and an entry that needs
    # a prefix lane goes before any that does not: the lanes' entries are the longest, and
    # only as many of them run at once as there are lanes.
    set(case_count 0)
    foreach(case ${cases})
      if(case STREQUAL filter)
        math(EXPR case_count "${case_count} + 1")
      endif()
    endforeach()
    set(cost ${case_count})
    if(owns_prefix)
      math(EXPR cost "${cost} + 1000")
    endif()
    set_tests_properties(${entry} PROPERTIES LABELS "${T_LABELS}" COST ${cost} ${T_PROPERTIES})
    set_property(TEST ${entry} APPEND PROPERTY ENVIRONMENT TAVIK_CASE_SECONDS=${T_TIMEOUT})
    # The first entry also runs whatever case the reading of the sources missed: one more.
    set(entry_cases ${case_count})
    if(gtest_filter MATCHES "^-")
      math(EXPR entry_cases "${entry_cases} + 1")
    endif()
    # And the program's own start and end, which no case's budget holds.
    math(EXPR entry_seconds "${entry_cases} * ${T_TIMEOUT} + 10")
    tavik_test_timeout(${entry} ${entry_seconds})
    if(fixtures)
      set_tests_properties(${entry} PROPERTIES FIXTURES_REQUIRED "${fixtures}")
    endif()
    if(owns_prefix)
      set_tests_properties(${entry} PROPERTIES RESOURCE_GROUPS "prefixes:1")
      set_property(TEST ${entry} APPEND PROPERTY ENVIRONMENT TAVIK_OWNS_PREFIX=1)
    elseif(locks)
      set_tests_properties(${entry} PROPERTIES RESOURCE_LOCK "${locks}")
    endif()
  endforeach()
endfunction()
