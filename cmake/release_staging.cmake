# release_staging.cmake: run by CPack once it has laid out a package's files. The Debian package
# gets its own files where Debian wants them (a compressed manual page and changelog, the copyright
# file for LICENSE, the lintian override); then every file and folder staged gets its mode from
# here, whatever the source tree's modes or the umask: 0755 for folders and programs, 0644 else.
set(root ${CPACK_TEMPORARY_DIRECTORY})
if(CPACK_GENERATOR STREQUAL "DEB")
  set(usr ${root}${CPACK_PACKAGING_INSTALL_PREFIX})
  set(doc ${usr}/share/doc/mailto)
  file(REMOVE ${doc}/LICENSE)
  file(COPY_FILE ${CPACK_MAILTO_SOURCE_DIR}/docs/copyright ${doc}/copyright)
  file(COPY_FILE ${CPACK_MAILTO_SOURCE_DIR}/docs/changelog ${doc}/changelog)
  # Debian asks for shared libraries; this program is linked statically on purpose.
  file(WRITE ${usr}/share/lintian/overrides/mailto [[
# Linked statically on purpose: a run is a hand-off between two process starts, and a static
# program finds, maps and relocates no shared library on the way.
statically-linked-binary [usr/bin/mailto]
]])
  # Best compression and no name or time in the header.
  foreach(file ${usr}/share/man/man1/mailto.1 ${doc}/changelog)
    execute_process(COMMAND gzip -9n ${file} RESULT_VARIABLE failed)
    if(failed)
      message(FATAL_ERROR "gzip ${file} failed: ${failed}")
    endif()
  endforeach()
endif()

file(GLOB_RECURSE entries LIST_DIRECTORIES true ${root}/*)
foreach(entry ${root} ${entries})
  if(IS_DIRECTORY ${entry} OR entry MATCHES "/(bin/mailto|mailto\\.exe)$")
    file(CHMOD ${entry} PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
      WORLD_READ WORLD_EXECUTE)
  else()
    file(CHMOD ${entry} PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
  endif()
endforeach()
