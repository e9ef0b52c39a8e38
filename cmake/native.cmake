# The native (POSIX) build: the utility over posix.cpp, the unit tests over the recording fake,
# the benchmarks and the end-to-end test of the real binary.

add_executable(mailto platform/posix.cpp platform/posix_ini.cpp)
target_link_libraries(mailto PRIVATE mailto_core)
# Linked statically, the program starts in about half the time: no shared libraries to find, map
# and relocate.
if(NOT MAILTO_SANITIZED)
  target_link_options(mailto PRIVATE -static)
endif()

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
# strace shows that no run writes a file or runs a shell; the longest inputs end to end.
add_test(NAME native_no_writes_no_shell
  COMMAND ${CMAKE_SOURCE_DIR}/tests/native/strace.sh $<TARGET_FILE:mailto>)
set_tests_properties(native_no_writes_no_shell PROPERTIES SKIP_RETURN_CODE 77)
add_test(NAME native_worst_case
  COMMAND ${CMAKE_SOURCE_DIR}/tests/native/worst_case.sh $<TARGET_FILE:mailto>)

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
