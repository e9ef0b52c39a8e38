# fuzz.cmake: the libFuzzer targets, each also a CTest test that fuzzes it from its committed seeds.

set(fuzz_flags -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer -g)
set(MAILTO_FUZZ_SECONDS 60 CACHE STRING "How long each fuzz test runs, in seconds")
math(EXPR fuzz_timeout "${MAILTO_FUZZ_SECONDS} + 120")

# mailto_core's sources, the fake with the file times it leaves out, and the POSIX INI reader.
get_target_property(core_sources mailto_core SOURCES)
add_library(mailto_fuzz_core STATIC ${core_sources} platform/fake.cpp
                                    platform/posix/posix_file_times.cpp
                                    platform/posix/posix_ini.cpp)
target_include_directories(mailto_fuzz_core PUBLIC ${CMAKE_SOURCE_DIR})
target_compile_options(mailto_fuzz_core PRIVATE ${fuzz_flags} -fsanitize=fuzzer-no-link)

add_custom_target(fuzz_targets)  # what the fuzz build preset builds: the fuzzers alone
foreach(target tokenizer argument_escapes message_escapes paths ini)
  add_executable(${target}_fuzz tests/fuzz/${target}_fuzz.cpp)
  add_dependencies(fuzz_targets ${target}_fuzz)
  target_link_libraries(${target}_fuzz PRIVATE mailto_fuzz_core)
  # No coverage feedback from the checks themselves: it would only steer towards the checks.
  target_compile_options(${target}_fuzz PRIVATE ${fuzz_flags})
  target_link_options(${target}_fuzz PRIVATE -fsanitize=fuzzer,address,undefined)
  # New inputs go to a working corpus in the build tree, listed first; the seeds are only read.
  set(work ${CMAKE_CURRENT_BINARY_DIR}/fuzz/${target})
  file(MAKE_DIRECTORY ${work}/corpus)
  add_test(NAME fuzz_${target}
    COMMAND $<TARGET_FILE:${target}_fuzz> -max_total_time=${MAILTO_FUZZ_SECONDS} -timeout=30
            -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix=${work}/
            ${work}/corpus ${CMAKE_SOURCE_DIR}/tests/fuzz/corpus/${target})
  set_tests_properties(fuzz_${target} PROPERTIES LABELS fuzz
    TIMEOUT ${fuzz_timeout} WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})
endforeach()
