# wine.cmake: the tests of the executable, under Wine with helpers built for its target, and static.

add_executable(wine_runner tests/wine/runner.cpp)
add_executable(wine_recorder WIN32 tests/wine/recorder.cpp)
# Planted beside the program as uxtheme.dll: it records each process that loads it.
add_library(wine_planted SHARED tests/wine/planted.cpp)
set_target_properties(wine_planted PROPERTIES PREFIX "")
foreach(helper wine_runner wine_recorder wine_planted)
  target_link_options(${helper} PRIVATE -static -static-libgcc -static-libstdc++ -s)
endforeach()

# The end-to-end tests under Wine: one prefix per pytest run, reused by its cases.
include(${CMAKE_SOURCE_DIR}/tests/pytest.cmake)
mailto_pytest(wine_end_to_end wine/test_wine_cases.py)
mailto_pytest(wine_double_byte wine/test_wine_paths.py)
mailto_pytest(wine_no_writes wine/test_wine_no_writes.py)

mailto_pytest(wine_sylpheed desktop/test_desktop_wine.py)
mailto_pytest(wine_readme_examples readme/test_readme_wine.py)
mailto_pytest(exe_static wine/test_exe.py)

# The INI readers compared under 64-bit Wine, which runs wherever Wine does.
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  include(${CMAKE_SOURCE_DIR}/tests/ini/ini.cmake)
endif()

# Lint of the product code as this target compiles it (win32.cpp), once: in the 32-bit build.
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  mailto_pytest(lint_windows test_lint.py)
endif()
