# footprint.cmake: the size limits of the utility, as CTest checks; resident memory is not measured
# under the sanitizers, whose shadow memory is not the program's.
include(${CMAKE_SOURCE_DIR}/tests/pytest.cmake)
if(WIN32)
  mailto_pytest(footprint_exe_size footprint/test_footprint.py -k exe_size)
elseif(NOT MAILTO_SANITIZE)
  mailto_pytest(footprint_peak_memory footprint/test_footprint.py -k peak_memory)
endif()
