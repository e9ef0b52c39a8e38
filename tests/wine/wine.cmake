# wine.cmake: the Wine end-to-end tests of the executable with their helper programs, built for
# the same target, and the static checks of the executable.

add_executable(wine_runner tests/wine/runner.cpp)
add_executable(wine_recorder WIN32 tests/wine/recorder.cpp)
foreach(helper wine_runner wine_recorder)
  target_link_options(${helper} PRIVATE -static -static-libgcc -static-libstdc++ -s)
endforeach()

# The end-to-end tests under Wine: one prefix per pytest run, reused by its cases.
include(${CMAKE_SOURCE_DIR}/tests/pytest.cmake)
mailto_pytest(wine_end_to_end wine/test_wine_cases.py)
mailto_pytest(wine_double_byte wine/test_wine_paths.py)
mailto_pytest(wine_no_writes wine/test_wine_no_writes.py)

# Wine's own "mailto:" handler through the host's real xdg-open to the real mail program Sylpheed.
mailto_pytest(wine_sylpheed desktop/test_desktop_wine.py)

# The README's batch files and shortcut target, as the README gives them.
mailto_pytest(wine_readme_examples readme/test_readme_wine.py)

# The executable read without running it: machine, subsystem, imports, icon and manifest.
mailto_pytest(exe_static wine/test_exe.py)

# The INI reader held against the POSIX one, under 64-bit Wine where the probe can run.
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  include(${CMAKE_SOURCE_DIR}/tests/ini/ini.cmake)
endif()

# clang-tidy over the product code as this target compiles it, win32.cpp among it, and the
# formatting; the 32-bit product build only, so that it runs once.
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  mailto_pytest(lint_windows test_lint.py)
endif()
