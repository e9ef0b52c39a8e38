# ini.cmake: the INI reader differential: one probe over the platform layer, built here and for
# 64-bit Windows (when the cross compiler is there), answers the same queries here and under Wine.
get_target_property(ini_platform mailto SOURCES)
add_executable(ini_probe tests/ini/probe.cpp ${ini_platform})
target_include_directories(ini_probe PRIVATE ${CMAKE_SOURCE_DIR})
find_program(MAILTO_MINGW64_CXX x86_64-w64-mingw32-g++-posix)
if(MAILTO_MINGW64_CXX)
  add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/ini_probe_windows.exe
    COMMAND ${MAILTO_MINGW64_CXX} -std=c++17 -O1 -Wall -Wextra -Werror -static
            -I${CMAKE_SOURCE_DIR} -o ${CMAKE_BINARY_DIR}/ini_probe_windows.exe
            ${CMAKE_SOURCE_DIR}/tests/ini/probe.cpp ${CMAKE_SOURCE_DIR}/platform/win32.cpp
    DEPENDS tests/ini/probe.cpp platform/win32.cpp platform/platform.h)
  add_custom_target(ini_probe_exe ALL DEPENDS ${CMAKE_BINARY_DIR}/ini_probe_windows.exe)
endif()
include(${CMAKE_SOURCE_DIR}/tests/pytest.cmake)
mailto_pytest(ini_differential ini/test_ini_differential.py)
