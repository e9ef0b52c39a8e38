# release_epoch.cmake: read by CPack before each package. Every time stamp in a release is
# SOURCE_DATE_EPOCH; unless the caller sets it, it is the time of the last commit, or, in a tree
# without its history (unpacked from a source archive), the date of the changelog's latest entry.
if(DEFINED ENV{SOURCE_DATE_EPOCH})
  return()
endif()
set(epoch "")
if(EXISTS ${CPACK_MAILTO_SOURCE_DIR}/.git)
  # Any builder may read the time, also of a checkout that another user owns.
  execute_process(COMMAND git -c safe.directory=* -C ${CPACK_MAILTO_SOURCE_DIR} log -1 --format=%ct
    OUTPUT_VARIABLE epoch OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
endif()
if(NOT epoch MATCHES "^[0-9]+$")
  file(STRINGS ${CPACK_MAILTO_SOURCE_DIR}/docs/changelog signature REGEX "^ -- " LIMIT_COUNT 1)
  string(REGEX REPLACE "^ -- .*>  " "" date "${signature}")
  execute_process(COMMAND date -d "${date}" +%s OUTPUT_VARIABLE epoch
    OUTPUT_STRIP_TRAILING_WHITESPACE)
endif()
if(NOT epoch MATCHES "^[0-9]+$")
  message(FATAL_ERROR "No release time: set SOURCE_DATE_EPOCH")
endif()
set(ENV{SOURCE_DATE_EPOCH} ${epoch})
