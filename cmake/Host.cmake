# Native build: the portable core's unit tests, benchmarks and native tools.

if(STUB_FUZZ)
  include(${CMAKE_SOURCE_DIR}/cmake/Fuzz.cmake)
  return()
endif()

find_package(GTest REQUIRED)

include(${CMAKE_SOURCE_DIR}/tests/unit/UnitTests.cmake)
add_executable(core_tests ${UNIT_TEST_SOURCES})
target_link_libraries(core_tests PRIVATE core GTest::gtest GTest::gtest_main)
add_test(NAME core_tests COMMAND core_tests)
set_tests_properties(core_tests PROPERTIES ENVIRONMENT "STUB_TEST_TMP=${CMAKE_BINARY_DIR}/testtmp")

add_executable(bench_checksum bench/bench_checksum.cpp)
target_link_libraries(bench_checksum PRIVATE core)
