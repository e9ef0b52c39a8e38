# native.cmake: the native build's end-to-end tests (pytest files, one CTest test each) over the
# program this build makes; included from cmake/native.cmake.
include(${CMAKE_SOURCE_DIR}/tests/pytest.cmake)
mailto_pytest(native_end_to_end native/test_native_requests.py)
mailto_pytest(native_dialogs native/test_native_dialogs.py)
mailto_pytest(native_caller native/test_native_caller.py)
mailto_pytest(native_hostile native/test_native_hostile.py)
mailto_pytest(readme_examples readme/test_readme_native.py)
# The tool configured, built and run as if the test libraries were missing: a build of its own,
# to which the sanitizers add nothing.
if(NOT MAILTO_SANITIZE)
  mailto_pytest(native_bare_build native/test_native_bare_build.py)
endif()
# Formatting and clang-tidy, once: in the plain native build, whose compile database they read.
if(NOT MAILTO_SANITIZE AND NOT MAILTO_FUZZ)
  mailto_pytest(lint test_lint.py)
endif()
