# Warnings are errors in the project's own code (not in the third-party GoogleTest).
function(tavik_warnings target)
  if(MSVC)
    target_compile_options(${target} PRIVATE /W4 /WX)
  else()
    target_compile_options(${target} PRIVATE -Wall -Wextra -Werror)
  endif()
endfunction()

# Time bounds of tests widen by this factor on a slow host (tools/test.sh sets it).
set(TAVIK_TIME_SCALE 1 CACHE STRING "Factor by which the tests' time bounds widen")

# A test's time-out: `seconds` on this machine, widened by the time scale.
function(tavik_test_timeout test seconds)
  math(EXPR scaled "${seconds} * ${TAVIK_TIME_SCALE}")
  set_tests_properties(${test} PROPERTIES TIMEOUT ${scaled})
endfunction()

# A unit-test program: one executable, one CTest entry, run under the emulator.
#   tavik_add_test(NAME name SOURCES ... [LIBS ...] [LABELS ...] [CAMERA])
# CAMERA marks a test that drives the simulated camera: such tests run one at a time and
# only after the camera's driver has been started.
function(tavik_add_test)
  cmake_parse_arguments(T "CAMERA" "NAME;TIMEOUT" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${T_NAME} ${T_SOURCES})
  tavik_warnings(${T_NAME})
  target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} tavik_gtest_main)
  add_test(NAME ${T_NAME} COMMAND ${T_NAME})
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 300)
  endif()
  tavik_test_timeout(${T_NAME} ${T_TIMEOUT})
  set_tests_properties(${T_NAME} PROPERTIES LABELS "${T_LABELS}")
  if(T_CAMERA)
    set_tests_properties(${T_NAME} PROPERTIES FIXTURES_REQUIRED camera_driver
                                              RESOURCE_LOCK camera)
  endif()
endfunction()
