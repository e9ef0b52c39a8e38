# The native (POSIX) build: the utility over posix.cpp, the unit tests over the recording fake,
# the benchmarks and the end-to-end test of the real binary.

add_executable(mailto platform/posix.cpp)
target_link_libraries(mailto PRIVATE mailto_core)

find_package(GTest REQUIRED)
add_executable(unit_tests
  platform/fake.cpp
  launcher/launch_test.cpp
  launcher/messages_test.cpp
  environment/arguments_test.cpp
  environment/paths_test.cpp
  settings/settings_test.cpp)
target_link_libraries(unit_tests PRIVATE mailto_core GTest::gtest GTest::gmock GTest::gtest_main)
include(GoogleTest)
gtest_discover_tests(unit_tests DISCOVERY_TIMEOUT 60)

add_test(NAME native_end_to_end
  COMMAND ${CMAKE_SOURCE_DIR}/tests/native/run.sh $<TARGET_FILE:mailto>)

option(MAILTO_BENCHMARKS "Build the benchmarks" ON)
if(MAILTO_BENCHMARKS)
  find_package(benchmark REQUIRED)
  add_executable(command_line_bench bench/command_line_bench.cpp platform/fake.cpp)
  target_link_libraries(command_line_bench PRIVATE mailto_core benchmark::benchmark)
endif()
