# Installation and packages: a ZIP for Windows and a tarball for each Linux
# program, made by cpack; the Debian package comes from debian/, through
# dpkg-buildpackage, and the RPM package from packaging/rpm/, through
# rpmbuild. Every file gets fixed permissions, whatever the umask of the
# build, so that the packages' bytes do not depend on it.
set(CPACK_PACKAGE_NAME packtext)
set(CPACK_PACKAGE_VENDOR "The packtext developers")
set(CPACK_PACKAGE_CONTACT "The packtext developers <dev@packtext.invalid>")
include(cmake/documents.cmake)

set(file_permissions OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
set(program_permissions ${file_permissions} OWNER_EXECUTE GROUP_EXECUTE WORLD_EXECUTE)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS ${program_permissions})

function(packtext_install_guides destination)
  foreach(guide IN LISTS PACKTEXT_GUIDES)
    cmake_path(GET guide PARENT_PATH folder)
    # In normal form: CMake 3.31 and later warn of a destination they would change.
    cmake_path(APPEND destination ${folder} OUTPUT_VARIABLE to)
    cmake_path(NORMAL_PATH to)
    install(FILES ${PROJECT_SOURCE_DIR}/${guide} DESTINATION ${to} PERMISSIONS ${file_permissions})
  endforeach()
endfunction()

if(WIN32)
  install(TARGETS packtext RUNTIME DESTINATION . PERMISSIONS ${program_permissions})
  install(FILES ${PROJECT_SOURCE_DIR}/LICENSE ${PACKTEXT_DOCUMENTS_DIR}/MANUAL.txt
          DESTINATION . PERMISSIONS ${file_permissions})
  packtext_install_guides(.)
else()
  include(GNUInstallDirs)
  # debian/rules and packtext.spec install the packtext component alone: the
  # copyright file and changelog come from dh_installdocs and
  # dh_installchangelogs, the licence from packtext.spec's %license.
  set(CMAKE_INSTALL_DEFAULT_COMPONENT_NAME packtext)
  install(TARGETS packtext RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
          PERMISSIONS ${program_permissions})
  install(FILES ${PACKTEXT_DOCUMENTS_DIR}/packtext.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1
          PERMISSIONS ${file_permissions})
  packtext_install_guides(${CMAKE_INSTALL_DOCDIR})
  # The copyright file holds the licence, so the licence is not installed twice.
  install(FILES ${PROJECT_SOURCE_DIR}/debian/copyright ${PACKTEXT_DOCUMENTS_DIR}/changelog.gz
          DESTINATION ${CMAKE_INSTALL_DOCDIR} PERMISSIONS ${file_permissions} COMPONENT debian)
endif()

set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_PACKAGE_DIRECTORY ${PROJECT_BINARY_DIR}/packages)
include(cmake/source-date.cmake)
packtext_changelog_date(CPACK_PACKTEXT_CHANGELOG_DATE)
set(CPACK_POST_BUILD_SCRIPTS ${PROJECT_SOURCE_DIR}/cmake/cpack-reproducible.cmake)
# The file names name the target whose row comes first for this triple (the
# GCC build's, whichever compiler made this one).
set(CPACK_SYSTEM_NAME ${target_preset})
if(WIN32)
  set(CPACK_GENERATOR ZIP)
else()
  set(CPACK_GENERATOR TGZ)
endif()
include(CPack)
