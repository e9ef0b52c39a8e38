# The Windows build: the GUI-subsystem executable over win32.cpp, statically linked so that it
# needs only system DLLs, with its icon; the helpers and checks of the Wine end-to-end tests.
enable_language(RC)

add_executable(mailto WIN32 platform/win32.cpp resources/mailto.rc)
target_link_libraries(mailto PRIVATE mailto_core)
target_link_options(mailto PRIVATE -static -static-libgcc -static-libstdc++ -s)

# The icon is drawn at build time from the script in resources/, into the build folder.
find_package(Python3 REQUIRED COMPONENTS Interpreter)
set(MAILTO_ICON ${CMAKE_BINARY_DIR}/mailto.ico)
add_custom_command(OUTPUT ${MAILTO_ICON}
  COMMAND Python3::Interpreter ${CMAKE_SOURCE_DIR}/resources/make_icon.py ${MAILTO_ICON}
  DEPENDS ${CMAKE_SOURCE_DIR}/resources/make_icon.py)
target_sources(mailto PRIVATE ${MAILTO_ICON})
set_source_files_properties(resources/mailto.rc PROPERTIES
  OBJECT_DEPENDS "${MAILTO_ICON};${CMAKE_SOURCE_DIR}/resources/mailto.manifest"
  INCLUDE_DIRECTORIES ${CMAKE_BINARY_DIR})

# Where the toolchain has a default-manifest.o, the compiler driver links it into every program;
# beside the program's own manifest it would be a second one. The driver's end-of-link spec is
# therefore repeated without it.
execute_process(COMMAND ${CMAKE_CXX_COMPILER} -dumpspecs OUTPUT_VARIABLE mailto_specs)
string(REGEX MATCH "\\*endfile:\n[^\n]*" mailto_endfile "${mailto_specs}")
string(REPLACE "%:if-exists(default-manifest.o%s)" "" mailto_endfile "${mailto_endfile}")
file(WRITE ${CMAKE_BINARY_DIR}/no-default-manifest.specs "${mailto_endfile}\n")
target_link_options(mailto PRIVATE -specs=${CMAKE_BINARY_DIR}/no-default-manifest.specs)

# The Wine end-to-end harness adds its helpers and tests here.
include(${CMAKE_SOURCE_DIR}/tests/wine/wine.cmake)
