# wine.cmake: the Wine end-to-end test of the executable with its two helper programs, built for
# the same target, and the static checks of the executable's imports, subsystem, machine and icon.

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

# The relay trace reader, on 32-bit and 64-bit trace lines alike.
add_test(NAME wine_relay_calls
  COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/tests/wine/relay_calls_test.py)
