# The native (POSIX) build: the utility over posix.cpp, the unit tests over the recording fake,
# the benchmarks and the end-to-end test of the real binary.

add_executable(mailto platform/posix.cpp platform/posix_ini.cpp)
target_link_libraries(mailto PRIVATE mailto_core)

find_package(GTest REQUIRED)
add_executable(unit_tests
  platform/fake.cpp
  platform/posix_ini.cpp
  platform/posix_ini_test.cpp
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
add_test(NAME native_settings_end_to_end
  COMMAND ${CMAKE_SOURCE_DIR}/tests/native/settings.sh $<TARGET_FILE:mailto>)

# The INI reader checked against the Windows one under Wine.
include(${CMAKE_SOURCE_DIR}/tests/ini/ini.cmake)

option(MAILTO_BENCHMARKS "Build the benchmarks" ON)
if(MAILTO_BENCHMARKS)
  find_package(benchmark REQUIRED)
  add_executable(command_line_bench bench/command_line_bench.cpp platform/fake.cpp)
  target_link_libraries(command_line_bench PRIVATE mailto_core benchmark::benchmark)
endif()

# The fuzz targets, in the fuzz preset only.
if(MAILTO_FUZZ)
  include(${CMAKE_SOURCE_DIR}/tests/fuzz/fuzz.cmake)
endif()
