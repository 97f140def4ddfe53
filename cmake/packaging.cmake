# Installation and packages: a ZIP for Windows; a tarball and a Debian
# package for each Linux program. Every file and folder gets fixed
# permissions, whatever the umask of the build, so that the packages'
# bytes do not depend on it.
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
if(WIN32)
  set(CPACK_GENERATOR ZIP)
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    set(CPACK_SYSTEM_NAME win32)
  else()
    set(CPACK_SYSTEM_NAME win64)
  endif()
else()
  set(CPACK_GENERATOR TGZ DEB)
  # Each architecture's name in the packages' file names, and Debian's name.
  set(names_x86_64 linux-x64 amd64)
  set(names_i686 linux-x86 i386)
  set(names_aarch64 linux-arm64 arm64)
  set(names_arm linux-armhf armhf)
  set(names_riscv64 linux-riscv64 riscv64)
  set(names_s390x linux-s390x s390x)
  if(NOT DEFINED names_${CMAKE_SYSTEM_PROCESSOR})
    message(FATAL_ERROR "no package names for ${CMAKE_SYSTEM_PROCESSOR}")
  endif()
  list(GET names_${CMAKE_SYSTEM_PROCESSOR} 0 CPACK_SYSTEM_NAME)
  list(GET names_${CMAKE_SYSTEM_PROCESSOR} 1 CPACK_DEBIAN_PACKAGE_ARCHITECTURE)
  # No CPACK_DEBIAN_PACKAGE_DEPENDS: the program is static and needs no other package.
  set(CPACK_DEBIAN_PACKAGE_SECTION utils)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
endif()
include(CPack)
