# Installation and packages: a ZIP for Windows; a tarball, a Debian package
# and an RPM package (cmake/rpm.cmake) for each Linux program. Every file
# and folder gets fixed permissions, whatever the umask of the build, so
# that the packages' bytes do not depend on it.
set(CPACK_PACKAGE_NAME packtext)
set(CPACK_PACKAGE_VENDOR "The packtext developers")
set(CPACK_PACKAGE_CONTACT "The packtext developers <dev@packtext.invalid>")
include(cmake/documents.cmake)

set(file_permissions OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
set(program_permissions ${file_permissions} OWNER_EXECUTE GROUP_EXECUTE WORLD_EXECUTE)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS ${program_permissions})
# Folders and the Debian package's own members would otherwise take their
# modes from the umask.
set(CPACK_PRE_BUILD_SCRIPTS ${PROJECT_SOURCE_DIR}/cmake/cpack-directory-permissions.cmake)
set(CPACK_POST_BUILD_SCRIPTS ${PROJECT_SOURCE_DIR}/cmake/cpack-deb-member-modes.cmake)

if(WIN32)
  install(TARGETS packtext RUNTIME DESTINATION . PERMISSIONS ${program_permissions})
  install(FILES ${PROJECT_SOURCE_DIR}/README.md ${PROJECT_SOURCE_DIR}/LICENSE
                ${PACKTEXT_DOCUMENTS_DIR}/MANUAL.txt
          DESTINATION . PERMISSIONS ${file_permissions})
else()
  include(GNUInstallDirs)
  install(TARGETS packtext RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
          PERMISSIONS ${program_permissions})
  install(FILES ${PACKTEXT_DOCUMENTS_DIR}/packtext.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1
          PERMISSIONS ${file_permissions})
  # The copyright file holds the licence, so the licence is not installed twice.
  install(FILES ${PROJECT_SOURCE_DIR}/README.md ${PACKTEXT_DOCUMENTS_DIR}/copyright
                ${PACKTEXT_DOCUMENTS_DIR}/changelog.gz
          DESTINATION ${CMAKE_INSTALL_DOCDIR} PERMISSIONS ${file_permissions})
  # Only the Debian package has lintian's override: not the tarball, not an
  # install of its own.
  install(FILES ${PROJECT_SOURCE_DIR}/packaging/lintian-overrides
          DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/lintian/overrides RENAME packtext
          PERMISSIONS ${file_permissions} COMPONENT debian EXCLUDE_FROM_ALL)
endif()

set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_PACKAGE_DIRECTORY ${PROJECT_BINARY_DIR}/packages)
# Lines as they go into the control file: Debian wants them under 80 columns.
set(CPACK_PACKAGE_DESCRIPTION [[
packtext spreads a built-in table of 1,000 32-bit words, every byte an A,
into an 8,000-byte text in which each byte is followed by a * filler, and
writes it to standard output in a single write. It exits with status 0
whatever state standard output is in.
.
It has no C runtime: a static program that needs no libc and no dynamic
loader, that enters its own entry routine and makes raw system calls.]])
# File times from SOURCE_DATE_EPOCH, and each generator's own settings.
set(CPACK_PROJECT_CONFIG_FILE ${PROJECT_BINARY_DIR}/CPackPerPackage.cmake)
configure_file(${PROJECT_SOURCE_DIR}/cmake/cpack-per-package.cmake.in ${CPACK_PROJECT_CONFIG_FILE} @ONLY)
# The file names name the target whose row comes first for this triple (the
# GCC build's, whichever compiler made this one).
set(CPACK_SYSTEM_NAME ${target_preset})
if(WIN32)
  set(CPACK_GENERATOR ZIP)
else()
  set(CPACK_GENERATOR TGZ DEB)
  set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE ${target_debian})
  # No CPACK_DEBIAN_PACKAGE_DEPENDS: the program is static and needs no other package.
  set(CPACK_DEBIAN_PACKAGE_SECTION utils)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
endif()
include(cmake/rpm.cmake)
include(CPack)
