# package.cmake: installation and release archives, all carrying the project version. The native
# build installs the binary and its manual page and packs them as a .tar.gz; the Windows build
# gives the executable its version resource and packs it with a sample settings file and a README
# as mailto-<version>-win32.zip (win64 for the 64-bit twin).

if(WIN32)
  # The version resource that the file's properties show.
  configure_file(resources/version.rc.in ${CMAKE_BINARY_DIR}/version.rc @ONLY)
  target_sources(mailto PRIVATE ${CMAKE_BINARY_DIR}/version.rc)

  # Texts for Windows users, with Windows line ends.
  configure_file(docs/README-windows.txt.in ${CMAKE_BINARY_DIR}/package/README.txt @ONLY
    NEWLINE_STYLE CRLF)
  configure_file(docs/mailto.ini.sample ${CMAKE_BINARY_DIR}/package/mailto.ini @ONLY
    NEWLINE_STYLE CRLF)
  install(TARGETS mailto RUNTIME DESTINATION .)
  install(FILES ${CMAKE_BINARY_DIR}/package/README.txt ${CMAKE_BINARY_DIR}/package/mailto.ini
    DESTINATION .)
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(MAILTO_PACKAGE_SYSTEM win64)
  else()
    set(MAILTO_PACKAGE_SYSTEM win32)
  endif()
  set(CPACK_GENERATOR ZIP)
else()
  include(GNUInstallDirs)
  configure_file(docs/mailto.1.in ${CMAKE_BINARY_DIR}/mailto.1 @ONLY)
  install(TARGETS mailto RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES ${CMAKE_BINARY_DIR}/mailto.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  string(TOLOWER "${CMAKE_SYSTEM_NAME}-${CMAKE_SYSTEM_PROCESSOR}" MAILTO_PACKAGE_SYSTEM)
  set(CPACK_GENERATOR TGZ)
  # The Windows executable is linked stripped already.
  set(CPACK_STRIP_FILES ON)

  # The Debian package, built with cpack -G DEB: mailto_<version>_<architecture>.deb. The version
  # has no Debian revision (upstream and packaging are one), so it is a native package and its
  # changelog, docs/changelog, is the Debian one; its latest entry names the maintainer.
  file(STRINGS docs/changelog maintainer REGEX "^ -- " LIMIT_COUNT 1)
  string(REGEX REPLACE "^ -- (.*>)  .*$" "\\1" CPACK_DEBIAN_PACKAGE_MAINTAINER "${maintainer}")
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_SECTION mail)
  set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
  # Depends as dpkg-shlibdeps computes it from the binary: none, as it is linked statically.
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  # The opener takes the request; a dialog program shows the messages in a graphical session.
  set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils, zenity | kdialog | x11-utils")
  set(CPACK_DEBIAN_PACKAGE_DESCRIPTION [[
Each run hands a mailto: request for a given address and optional subject to
xdg-open, which starts the desktop's e-mail program, and exits. Scripts, older
applications and shortcuts call it so that they never need to know which mail
program is installed. Without arguments it reads the address from a settings
file beside the program.]])
  # Debian keeps the manual page compressed and the copyright file and the changelog in
  # /usr/share/doc/mailto; the script adds them to the Debian package only.
  set(CPACK_MAILTO_COPYRIGHT ${CMAKE_SOURCE_DIR}/docs/copyright)
  set(CPACK_MAILTO_CHANGELOG ${CMAKE_SOURCE_DIR}/docs/changelog)
  set(CPACK_PRE_BUILD_SCRIPTS ${CMAKE_SOURCE_DIR}/cmake/debian_files.cmake)
endif()

set(CPACK_PACKAGE_NAME mailto)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Opens the default e-mail program on a new message")
set(CPACK_PACKAGE_FILE_NAME mailto-${PROJECT_VERSION}-${MAILTO_PACKAGE_SYSTEM})
include(CPack)

# The archive built and checked: its exact contents, and the program run from it.
if(WIN32)
  add_test(NAME release_zip
    COMMAND ${CMAKE_SOURCE_DIR}/tests/release/zip.sh ${CMAKE_BINARY_DIR} $<TARGET_FILE:mailto>
            ${PROJECT_VERSION} ${MAILTO_PACKAGE_SYSTEM})
  add_test(NAME release_zip_under_wine
    COMMAND ${CMAKE_SOURCE_DIR}/tests/release/zip_wine.sh ${CMAKE_BINARY_DIR}
            $<TARGET_FILE:mailto> ${PROJECT_VERSION} ${MAILTO_PACKAGE_SYSTEM}
            $<TARGET_FILE:wine_runner> $<TARGET_FILE:wine_recorder>)
  set_tests_properties(release_zip_under_wine PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT 300)
elseif(NOT MAILTO_SANITIZE)
  add_test(NAME release_tarball
    COMMAND ${CMAKE_SOURCE_DIR}/tests/release/tarball.sh ${CMAKE_BINARY_DIR} ${PROJECT_VERSION}
            ${MAILTO_PACKAGE_SYSTEM})
  add_test(NAME release_deb
    COMMAND ${CMAKE_SOURCE_DIR}/tests/release/deb.sh ${CMAKE_BINARY_DIR} ${PROJECT_VERSION})
  set_tests_properties(release_deb PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT 600)
endif()
