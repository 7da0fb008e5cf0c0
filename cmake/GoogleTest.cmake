# GoogleTest, cross-built from the sources Debian ships in /usr/src/googletest.
set(TAVIK_GTEST_SOURCE_DIR /usr/src/googletest CACHE PATH "GoogleTest sources")
if(NOT EXISTS ${TAVIK_GTEST_SOURCE_DIR}/googletest/src/gtest-all.cc)
  message(FATAL_ERROR "GoogleTest sources not found in ${TAVIK_GTEST_SOURCE_DIR}; run tools/setup.sh")
endif()

set(_gt ${TAVIK_GTEST_SOURCE_DIR}/googletest)
set(_gm ${TAVIK_GTEST_SOURCE_DIR}/googlemock)
add_library(tavik_gtest STATIC ${_gt}/src/gtest-all.cc ${_gm}/src/gmock-all.cc)
target_include_directories(tavik_gtest SYSTEM PUBLIC ${_gt}/include ${_gm}/include
                           PRIVATE ${_gt} ${_gm})
target_compile_definitions(tavik_gtest PUBLIC GTEST_HAS_PTHREAD=0)

# Our own main: see common/tests/TestMain.cpp.
add_library(tavik_gtest_main STATIC ${PROJECT_SOURCE_DIR}/common/tests/TestMain.cpp)
target_link_libraries(tavik_gtest_main PUBLIC tavik_gtest tavik_test_timing)
