# wine.cmake: the Wine end-to-end test of the executable with its two helper programs, built for
# the same target, and the static checks of the executable's imports, subsystem, machine, icon and
# manifest.

add_executable(wine_runner tests/wine/runner.cpp)
add_executable(wine_recorder WIN32 tests/wine/recorder.cpp)
foreach(helper wine_runner wine_recorder)
  target_link_options(${helper} PRIVATE -static -static-libgcc -static-libstdc++ -s)
endforeach()

# A 32-bit executable where 32-bit code cannot run makes the test skip (77) with its reason.
add_test(NAME wine_end_to_end
  COMMAND bash ${CMAKE_SOURCE_DIR}/tests/wine/run.sh $<TARGET_FILE:mailto>
          $<TARGET_FILE:wine_runner> $<TARGET_FILE:wine_recorder>)
set_tests_properties(wine_end_to_end PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT 600)

# The run-time stop: started from a folder whose name the ANSI code page cannot hold, the program
# cannot enter it, reports so in one box and ends with the system's code.
add_test(NAME wine_runtime_stop
  COMMAND bash ${CMAKE_SOURCE_DIR}/tests/wine/run.sh $<TARGET_FILE:mailto>
          $<TARGET_FILE:wine_runner> $<TARGET_FILE:wine_recorder> runtime_stop_cases)
set_tests_properties(wine_runtime_stop PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT 180)

# Paths under a double-byte code page; the probe reports the table the program builds there.
add_executable(wine_dbcs_probe tests/wine/dbcs_probe.cpp platform/win32.cpp)
target_link_libraries(wine_dbcs_probe PRIVATE mailto_core)
target_link_options(wine_dbcs_probe PRIVATE -static -static-libgcc -static-libstdc++ -s)
add_test(NAME wine_double_byte
  COMMAND bash ${CMAKE_SOURCE_DIR}/tests/wine/dbcs.sh $<TARGET_FILE:mailto>
          $<TARGET_FILE:wine_runner> $<TARGET_FILE:wine_recorder> $<TARGET_FILE:wine_dbcs_probe>)
set_tests_properties(wine_double_byte PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT 180)

# No file of the prefix or of the program's folder is written by a run.
add_executable(wine_idle WIN32 tests/wine/idle.cpp)
target_link_options(wine_idle PRIVATE -static -static-libgcc -static-libstdc++ -s)
add_test(NAME wine_no_writes
  COMMAND bash ${CMAKE_SOURCE_DIR}/tests/wine/no_writes.sh $<TARGET_FILE:mailto>
          $<TARGET_FILE:wine_runner> $<TARGET_FILE:wine_recorder> $<TARGET_FILE:wine_idle>)
set_tests_properties(wine_no_writes PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT 300)

# Wine's own "mailto:" handler through the host's real xdg-open to the real mail program Sylpheed.
add_test(NAME wine_sylpheed
  COMMAND bash ${CMAKE_SOURCE_DIR}/tests/desktop/wine.sh $<TARGET_FILE:mailto>
          $<TARGET_FILE:wine_runner>)
set_tests_properties(wine_sylpheed PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT 300)

# The README's batch files and shortcut target, as the README gives them.
add_test(NAME wine_readme_examples
  COMMAND bash ${CMAKE_SOURCE_DIR}/tests/readme/wine.sh ${CMAKE_SOURCE_DIR}/README.md
          $<TARGET_FILE:mailto> $<TARGET_FILE:wine_runner> $<TARGET_FILE:wine_recorder>)
set_tests_properties(wine_readme_examples PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT 300)

if(CMAKE_SYSTEM_PROCESSOR STREQUAL "x86_64")
  set(mailto_machine x86_64)
else()
  set(mailto_machine i386)
endif()
set(check ${CMAKE_SOURCE_DIR}/tests/wine/check_exe.sh)
add_test(NAME exe_imports COMMAND bash ${check} imports $<TARGET_FILE:mailto> ${CMAKE_OBJDUMP})
add_test(NAME exe_subsystem COMMAND bash ${check} subsystem $<TARGET_FILE:mailto> ${CMAKE_OBJDUMP})
add_test(NAME exe_machine COMMAND bash ${check} machine $<TARGET_FILE:mailto> ${mailto_machine})
add_test(NAME exe_icon COMMAND bash ${check} icon $<TARGET_FILE:mailto>)
add_test(NAME exe_manifest COMMAND bash ${check} manifest $<TARGET_FILE:mailto>)

# clang-tidy over the product code as this target compiles it, win32.cpp among it, and the
# formatting; the 32-bit product build only, so that it runs once.
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  add_test(NAME lint_windows COMMAND bash ${CMAKE_SOURCE_DIR}/tests/lint.sh ${CMAKE_BINARY_DIR})
  set_tests_properties(lint_windows PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT 600)
endif()

# The relay trace reader, on 32-bit and 64-bit trace lines alike.
add_test(NAME wine_relay_calls
  COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/tests/wine/relay_calls_test.py)
