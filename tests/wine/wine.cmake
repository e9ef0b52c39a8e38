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
