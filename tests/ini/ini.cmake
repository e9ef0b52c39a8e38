# ini.cmake: one probe over each platform layer, Windows' and (host g++) POSIX, asked the same.
add_executable(ini_probe tests/ini/probe.cpp platform/win32.cpp)
target_include_directories(ini_probe PRIVATE ${CMAKE_SOURCE_DIR})
target_link_options(ini_probe PRIVATE -static)
find_program(MAILTO_HOST_CXX g++ REQUIRED)
include(${CMAKE_SOURCE_DIR}/cmake/posix_platform.cmake)
set(ini_sources tests/ini/probe.cpp ${MAILTO_POSIX_PLATFORM})
list(TRANSFORM ini_sources PREPEND ${CMAKE_SOURCE_DIR}/)
file(GLOB ini_headers CONFIGURE_DEPENDS platform/*.h platform/posix/*.h launcher/*.h)
add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/ini_probe_posix
  COMMAND ${MAILTO_HOST_CXX} -std=c++17 -O1 -Wall -Wextra -Werror -I${CMAKE_SOURCE_DIR}
          -o ${CMAKE_BINARY_DIR}/ini_probe_posix ${ini_sources}
  DEPENDS ${ini_sources} ${ini_headers})
add_custom_target(ini_probe_host ALL DEPENDS ${CMAKE_BINARY_DIR}/ini_probe_posix)
mailto_pytest(ini_differential ini/test_ini_differential.py)
