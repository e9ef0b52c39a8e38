# footprint.cmake: the size limits of the utility, as CTest checks. The Windows executable stays
# within 256 KiB; an ordinary native run stays within 4 MiB of resident memory (not measured under
# the sanitizers, whose shadow memory is not the program's).
if(WIN32)
  add_test(NAME footprint_exe_size
    COMMAND ${CMAKE_COMMAND} -DFILE=$<TARGET_FILE:mailto> -DLIMIT=262144
            -P ${CMAKE_CURRENT_LIST_DIR}/file_size.cmake)
elseif(NOT MAILTO_SANITIZE)
  include(${CMAKE_SOURCE_DIR}/tests/pytest.cmake)
  mailto_pytest(footprint_peak_memory footprint/test_native_footprint.py)
endif()
