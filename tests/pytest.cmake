# pytest.cmake: mailto_pytest(NAME FILE [ARGS...]): the tests in FILE (under tests/) as the CTest
# test NAME, run by Debian's pytest against this build folder.
set(MAILTO_PYTHON /usr/bin/python3 CACHE FILEPATH "The Python that has Debian's pytest")
include_guard(GLOBAL)

function(mailto_pytest name file)
  add_test(NAME ${name}
    COMMAND ${MAILTO_PYTHON} -m pytest ${CMAKE_SOURCE_DIR}/tests/${file}
            --build-dir=${CMAKE_BINARY_DIR} ${ARGN}
    WORKING_DIRECTORY ${CMAKE_SOURCE_DIR}/tests)
  set_tests_properties(${name} PROPERTIES TIMEOUT 900)
endfunction()
