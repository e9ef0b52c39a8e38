# The Windows build: the GUI-subsystem executable over win32.cpp, statically linked so that it
# needs only system DLLs, with its icon; the helpers and checks of the Wine end-to-end tests.
enable_language(RC)

add_executable(mailto WIN32 platform/win32.cpp resources/mailto.rc)
target_link_libraries(mailto PRIVATE mailto_core)
# No link time in the PE header, so that a build from the same sources gives the same bytes.
target_link_options(mailto PRIVATE -static -static-libgcc -static-libstdc++ -s
                    -Wl,--no-insert-timestamp)
# Randomised addresses, no-execute data, and no compatibility shims for terminal servers (a GUI
# program's convention); the linker's defaults are written out so that they cannot change unseen.
target_link_options(mailto PRIVATE -Wl,--dynamicbase,--nxcompat,--tsaware)
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  target_link_options(mailto PRIVATE -Wl,--high-entropy-va)
endif()

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

# The Wine end-to-end harness adds its helpers and tests here.
include(${CMAKE_SOURCE_DIR}/tests/wine/wine.cmake)
