# debian_files.cmake: run by CPack once it has laid out a package's files. In the Debian package
# it compresses the manual page and adds the copyright file, the changelog and the lintian override
# where Debian wants them; the other archives stay as they are.
if(NOT CPACK_GENERATOR STREQUAL "DEB")
  return()
endif()

set(root ${CPACK_TEMPORARY_INSTALL_DIRECTORY}${CPACK_PACKAGING_INSTALL_PREFIX})
set(doc ${root}/share/doc/mailto)
file(MAKE_DIRECTORY ${doc})
file(COPY_FILE ${CPACK_MAILTO_COPYRIGHT} ${doc}/copyright)
file(COPY_FILE ${CPACK_MAILTO_CHANGELOG} ${doc}/changelog)
# Debian asks for shared libraries; this program is linked statically on purpose (see native.cmake).
file(WRITE ${root}/share/lintian/overrides/mailto [[
# Linked statically on purpose: a run is a hand-off between two process starts, and a static
# program finds, maps and relocates no shared library on the way.
statically-linked-binary [usr/bin/mailto]
]])
# Best compression and no time stamp in the header, so that the same files give the same package.
foreach(file ${root}/share/man/man1/mailto.1 ${doc}/changelog)
  execute_process(COMMAND gzip -9n ${file} RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "gzip ${file} failed: ${failed}")
  endif()
endforeach()
