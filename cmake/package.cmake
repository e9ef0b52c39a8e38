# package.cmake: installation and release archives, all carrying the project version and the
# licence. The native build installs the binary, its manual page, LICENSE and the sample settings
# file and packs them as a .tar.gz and a Debian package; the Windows build gives the executable its
# version resource and packs it with a sample settings file, a README and the licence as
# mailto-<version>-win32.zip (win64 for the 64-bit twin). A release built twice from the same commit is the same, byte for
# byte: see cmake/release_*.cmake.

# Folders get their mode here, not from the umask; install() gives files 0644 and programs 0755.
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ
    GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
file(STRINGS LICENSE MAILTO_COPYRIGHT REGEX "^Copyright " LIMIT_COUNT 1)

if(WIN32)
  # The version resource that the file's properties show.
  configure_file(resources/version.rc.in ${CMAKE_BINARY_DIR}/version.rc @ONLY)
  target_sources(mailto PRIVATE ${CMAKE_BINARY_DIR}/version.rc)

  # Texts for Windows users, with Windows line ends.
  configure_file(docs/README-windows.txt.in ${CMAKE_BINARY_DIR}/package/README.txt @ONLY
    NEWLINE_STYLE CRLF)
  configure_file(docs/mailto.ini.sample ${CMAKE_BINARY_DIR}/package/mailto.ini @ONLY
    NEWLINE_STYLE CRLF)
  configure_file(LICENSE ${CMAKE_BINARY_DIR}/package/LICENSE.txt @ONLY NEWLINE_STYLE CRLF)
  install(TARGETS mailto RUNTIME DESTINATION .)
  install(FILES ${CMAKE_BINARY_DIR}/package/README.txt ${CMAKE_BINARY_DIR}/package/mailto.ini
    ${CMAKE_BINARY_DIR}/package/LICENSE.txt DESTINATION .)
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(MAILTO_PACKAGE_SYSTEM win64)
  else()
    set(MAILTO_PACKAGE_SYSTEM win32)
  endif()
  set(CPACK_GENERATOR ZIP)
  # The zip is written again by a script of the build's Python (the icon needs it already).
  set(CPACK_MAILTO_PYTHON ${Python3_EXECUTABLE})
else()
  include(GNUInstallDirs)
  configure_file(docs/mailto.1.in ${CMAKE_BINARY_DIR}/mailto.1 @ONLY)
  install(TARGETS mailto RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES ${CMAKE_BINARY_DIR}/mailto.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  install(FILES LICENSE DESTINATION ${CMAKE_INSTALL_DOCDIR})
  # The commented sample that the README has Linux users copy, where Debian keeps examples.
  install(FILES docs/mailto.ini.sample DESTINATION ${CMAKE_INSTALL_DOCDIR}/examples
    RENAME mailto.ini)
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
endif()

set(CPACK_PACKAGE_NAME mailto)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Opens the default e-mail program on a new message")
set(CPACK_PACKAGE_FILE_NAME mailto-${PROJECT_VERSION}-${MAILTO_PACKAGE_SYSTEM})
# Every time stamp is SOURCE_DATE_EPOCH's; the staged files get their modes (and the Debian
# package its own files); then the tar.gz and the zip are written again in a fixed order, and the
# Debian package's outer headers get fixed modes.
set(CPACK_MAILTO_SOURCE_DIR ${CMAKE_SOURCE_DIR})
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_SOURCE_DIR}/cmake/release_epoch.cmake)
set(CPACK_PRE_BUILD_SCRIPTS ${CMAKE_SOURCE_DIR}/cmake/release_staging.cmake)
set(CPACK_POST_BUILD_SCRIPTS ${CMAKE_SOURCE_DIR}/cmake/release_archive.cmake)
include(CPack)

# The release archives built and checked; the release built twice elsewhere and compared.
include(${CMAKE_SOURCE_DIR}/tests/pytest.cmake)
if(WIN32)
  mailto_pytest(release_zip release/test_release_archives.py -k zip)
  mailto_pytest(release_reproducible release/test_release_archives.py -k reproducible)
elseif(NOT MAILTO_SANITIZE AND NOT MAILTO_FUZZ)
  mailto_pytest(release_tarball release/test_release_archives.py -k tarball)
  mailto_pytest(release_deb release/test_release_archives.py -k deb)
  # CPack runs the build folder's install step: one package at a time.
  set_tests_properties(release_tarball release_deb PROPERTIES RESOURCE_LOCK mailto_cpack)
  mailto_pytest(release_reproducible release/test_release_archives.py -k reproducible)
endif()
