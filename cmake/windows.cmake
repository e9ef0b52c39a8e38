# The Windows build: the GUI-subsystem executable over win32.cpp, statically linked so that it
# needs only system DLLs, with its icon; the helpers and checks of the Wine end-to-end tests.
enable_language(RC)

add_executable(mailto WIN32 platform/win32.cpp resources/mailto.rc)
target_link_libraries(mailto PRIVATE mailto_core)
target_link_options(mailto PRIVATE -static -static-libgcc -static-libstdc++ -s)

# The Wine end-to-end harness adds its helpers and tests here.
include(${CMAKE_SOURCE_DIR}/tests/wine/wine.cmake OPTIONAL)
