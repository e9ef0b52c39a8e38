# native.cmake: the native build's end-to-end tests, one CTest test per pytest file. The sanitizers
# add nothing to the bare build (a build of its own) and to lint (the compile database, read once).
include(${CMAKE_SOURCE_DIR}/tests/pytest.cmake)
mailto_pytest(native_end_to_end native/test_native_requests.py)
mailto_pytest(native_dialogs native/test_native_dialogs.py)
mailto_pytest(native_hostile native/test_native_hostile.py)
mailto_pytest(readme_examples readme/test_readme_native.py)
if(NOT MAILTO_SANITIZE)
  mailto_pytest(native_bare_build native/test_native_bare_build.py)
endif()
if(NOT MAILTO_SANITIZE AND NOT MAILTO_FUZZ)
  mailto_pytest(lint test_lint.py)
endif()
