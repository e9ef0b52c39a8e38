# release_archive.cmake: run by CPack once it has made a package. CPack's tar.gz and zip list the
# files in the order the file system gives and with the builder's owner; they are written again
# from the same staged files: members sorted by name, owned by root, all at SOURCE_DATE_EPOCH.
# The Debian package only has the modes of its outer headers set.
set(name ${CPACK_PACKAGE_FILE_NAME})
set(failed 0)
if(CPACK_GENERATOR STREQUAL "TGZ")
  execute_process(
    COMMAND tar --create --sort=name --format=gnu --owner=0 --group=0 --numeric-owner
            --mtime=@$ENV{SOURCE_DATE_EPOCH} --directory=${CPACK_TOPLEVEL_DIRECTORY} ${name}
    COMMAND gzip -9n
    OUTPUT_FILE ${CPACK_TOPLEVEL_DIRECTORY}/${name}.tar.gz RESULTS_VARIABLE failed)
elseif(CPACK_GENERATOR STREQUAL "DEB")
  # The Debian package holds its files right, but the ar headers around them take their modes
  # from the umask: each becomes 0644, in place (ar headers are 60 bytes, members 2-aligned).
  execute_process(
    COMMAND perl -0777 -pi -e "for (my $at = 8; $at < length; $at += 60 + (substr($_, $at + 48,
            10) + 1 & ~1)) { substr($_, $at + 40, 8) = '100644  ' }" ${CPACK_PACKAGE_FILES}
    RESULTS_VARIABLE failed)
elseif(CPACK_GENERATOR STREQUAL "ZIP" AND CPACK_MAILTO_PYTHON)
  execute_process(
    COMMAND ${CPACK_MAILTO_PYTHON} ${CMAKE_CURRENT_LIST_DIR}/release_zip.py
            ${CPACK_TOPLEVEL_DIRECTORY} ${name} $ENV{SOURCE_DATE_EPOCH}
    RESULTS_VARIABLE failed)
endif()
if(NOT failed MATCHES "^0(;0)*$")
  message(FATAL_ERROR "Writing ${name} again failed: ${failed}")
endif()
