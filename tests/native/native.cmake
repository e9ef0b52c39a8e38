# native.cmake: the native build's end-to-end tests, one CTest test per pytest file. The bare build
# (as if the test libraries were missing) is a build of its own, to which the sanitizers add
# nothing; lint reads the plain native build's compile database, once.
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
