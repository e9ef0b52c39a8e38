# file_size.cmake: fails when a file is larger than a limit.
#   cmake -DFILE=path -DLIMIT=bytes -P file_size.cmake
file(SIZE "${FILE}" size)
message(STATUS "${FILE}: ${size} bytes (limit ${LIMIT})")
if(size GREATER LIMIT)
  message(FATAL_ERROR "${FILE} is ${size} bytes, more than ${LIMIT}")
endif()
