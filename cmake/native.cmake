# The native (POSIX) build: the utility over platform/posix/, the unit tests over the recording fake,
# the benchmarks and the end-to-end test of the real binary.

include(${CMAKE_SOURCE_DIR}/cmake/posix_platform.cmake)
add_executable(mailto ${MAILTO_POSIX_PLATFORM})
target_link_libraries(mailto PRIVATE mailto_core)
# Linked statically, the program starts in about half the time: no shared libraries to find, map
# and relocate.
if(NOT MAILTO_SANITIZE)
  target_link_options(mailto PRIVATE -static)
endif()

# The unit tests and the benchmarks need GoogleTest and Google Benchmark, which a user who only
# wants the tool may lack. MAILTO_TESTS and MAILTO_BENCHMARKS: AUTO builds them when the library
# is found, ON requires it (the test command asks so, so that a missing library fails instead of
# silently dropping the suite), OFF leaves them out.
set(MAILTO_TESTS AUTO CACHE STRING
  "Build the unit tests: AUTO (when GoogleTest is found), ON or OFF")
set(MAILTO_BENCHMARKS AUTO CACHE STRING
  "Build the benchmarks: AUTO (when Google Benchmark is found), ON or OFF")
set_property(CACHE MAILTO_TESTS MAILTO_BENCHMARKS PROPERTY STRINGS AUTO ON OFF)

# mailto_find_for(OPTION PACKAGE): looks for PACKAGE as OPTION asks; PACKAGE_FOUND is then true
# when the parts that need it are to be built.
macro(mailto_find_for option package)
  if(${option} STREQUAL "AUTO")
    find_package(${package} QUIET)
  elseif(${option})
    find_package(${package} REQUIRED)
  else()
    set(${package}_FOUND OFF)
  endif()
endmacro()
set(mailto_skipped "")

mailto_find_for(MAILTO_TESTS GTest)
if(GTest_FOUND AND NOT TARGET GTest::gmock)
  if(NOT MAILTO_TESTS STREQUAL "AUTO")
    message(FATAL_ERROR "MAILTO_TESTS is ${MAILTO_TESTS}, but GoogleMock was not found")
  endif()
  set(GTest_FOUND OFF)
endif()
if(GTest_FOUND)
  # One binary: the core over the recording fake, with the real file-time conversions (the fake
  # leaves them out), and the POSIX layer's parts that need no system beyond them.
  add_executable(unit_tests
    platform/fake.cpp
    platform/posix/posix_command_line.cpp
    platform/posix/posix_command_line_test.cpp
    platform/posix/posix_file_times.cpp
    platform/posix/posix_file_times_test.cpp
    platform/posix/posix_ini.cpp
    platform/posix/posix_ini_test.cpp
    platform/posix/dialog_text.cpp
    platform/posix/dialog_text_test.cpp
    platform/posix/dialog_session.cpp
    platform/posix/dialog_session_test.cpp
    platform/posix/posix_paths.cpp
    platform/posix/posix_paths_test.cpp
    launcher/launch_test.cpp
    launcher/messages_test.cpp
    environment/arguments_test.cpp
    environment/paths_test.cpp
    settings/settings_test.cpp)
  target_link_libraries(unit_tests PRIVATE mailto_core GTest::gtest GTest::gmock GTest::gtest_main)
  include(GoogleTest)
  gtest_discover_tests(unit_tests DISCOVERY_TIMEOUT 60)
elseif(MAILTO_TESTS STREQUAL "AUTO")
  list(APPEND mailto_skipped "the unit tests (GoogleTest or GoogleMock not found)")
endif()

# The end-to-end tests of the program built here.
include(${CMAKE_SOURCE_DIR}/tests/native/native.cmake)
# The real xdg-open and the real mail programs Sylpheed and Claws Mail under Xvfb; the sanitizers
# would see no code here that the other end-to-end tests do not run.
if(NOT MAILTO_SANITIZE AND NOT MAILTO_FUZZ)
  mailto_pytest(native_mail_programs desktop/test_desktop_native.py)
endif()

mailto_find_for(MAILTO_BENCHMARKS benchmark)
if(benchmark_FOUND)
  add_executable(command_line_bench bench/command_line_bench.cpp platform/fake.cpp
                                    platform/posix/posix_file_times.cpp)
  target_link_libraries(command_line_bench PRIVATE mailto_core benchmark::benchmark)
elseif(MAILTO_BENCHMARKS STREQUAL "AUTO")
  list(APPEND mailto_skipped "the benchmarks (Google Benchmark not found)")
endif()

if(mailto_skipped)
  list(JOIN mailto_skipped " and " mailto_skipped)
  message(STATUS "Skipping ${mailto_skipped}. The tool builds without them; tests/install.sh "
                 "installs the libraries (libgtest-dev libgmock-dev libbenchmark-dev).")
endif()

# The fuzz targets, in the fuzz preset only.
if(MAILTO_FUZZ)
  include(${CMAKE_SOURCE_DIR}/tests/fuzz/fuzz.cmake)
endif()
