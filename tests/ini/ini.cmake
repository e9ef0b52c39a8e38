# ini.cmake: the differential test of the INI reader: the POSIX reader and the Windows one, run
# under 64-bit Wine through a small cross-compiled probe, answer the same queries on the same files.

add_executable(ini_native_probe tests/ini/native_probe.cpp platform/posix_ini.cpp)
target_include_directories(ini_native_probe PRIVATE ${CMAKE_SOURCE_DIR})
add_executable(ini_generate tests/ini/generate.cpp)

# The probe is a Windows program; it is built with the cross compiler directly, outside the
# native toolchain. Without the compiler the test skips.
find_program(MAILTO_MINGW64_CXX x86_64-w64-mingw32-g++-posix)
set(ini_probe "")
if(MAILTO_MINGW64_CXX)
  set(ini_probe ${CMAKE_CURRENT_BINARY_DIR}/ini_probe.exe)
  add_custom_command(OUTPUT ${ini_probe}
    COMMAND ${MAILTO_MINGW64_CXX} -std=c++17 -O1 -Wall -Wextra -Werror -static
            -I${CMAKE_SOURCE_DIR} -o ${ini_probe} ${CMAKE_SOURCE_DIR}/tests/ini/probe.cpp
    DEPENDS tests/ini/probe.cpp tests/ini/query_format.h
    COMMENT "Cross-compiling the Windows INI probe")
  add_custom_target(ini_probe ALL DEPENDS ${ini_probe})
endif()

add_test(NAME ini_differential
  COMMAND ${CMAKE_SOURCE_DIR}/tests/ini/differential.sh $<TARGET_FILE:ini_native_probe>
          "${ini_probe}" $<TARGET_FILE:ini_generate>)
set_tests_properties(ini_differential PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT 600)
