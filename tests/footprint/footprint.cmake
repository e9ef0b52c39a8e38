# footprint.cmake: the size limits; not under the sanitizers, whose shadow memory is not mailto's.
include(${CMAKE_SOURCE_DIR}/tests/pytest.cmake)
if(WIN32)
  mailto_pytest(footprint_exe_size footprint/test_footprint.py -k exe_size)
elseif(NOT MAILTO_SANITIZE)
  mailto_pytest(footprint_peak_memory footprint/test_footprint.py -k peak_memory)
endif()
