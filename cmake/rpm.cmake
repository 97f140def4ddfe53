# The RPM package of a Linux program, made by CPack's RPM generator (which
# runs rpmbuild) with the architecture name from the table of targets. It
# holds the plain install, and the licence where Fedora, openSUSE and RHEL
# keep licences, marked %license; the other documents are %doc.
if(WIN32)
  return()
endif()
list(APPEND CPACK_GENERATOR RPM)
set(CPACK_RPM_PACKAGE_ARCHITECTURE ${target_rpm})
set(CPACK_RPM_PACKAGE_RELEASE 1)
set(CPACK_RPM_FILE_NAME RPM-DEFAULT)
set(CPACK_RPM_PACKAGE_LICENSE MIT)
set(CPACK_RPM_PACKAGE_GROUP Applications/Text)
# Installed where it says, as a distribution's packages are: not relocatable.
set(CPACK_PACKAGE_RELOCATABLE OFF)
# rpmbuild would make the program require rtld(GNU_HASH), the dynamic
# loader's hash style, for its hash section; it is static and needs nothing.
set(CPACK_RPM_PACKAGE_AUTOREQ no)
# The description is the Debian package's, the indented lines under
# Description: in debian/control, with a paragraph break as RPM writes it,
# an empty line rather than Debian's " .". rpmbuild reads "%" as the start
# of a macro; "%%" is the character.
file(STRINGS ${PROJECT_SOURCE_DIR}/debian/control control_lines)
set(in_description FALSE)
set(CPACK_RPM_PACKAGE_DESCRIPTION "")
foreach(line IN LISTS control_lines)
  if(line MATCHES "^Description:")
    set(in_description TRUE)
  elseif(in_description AND line STREQUAL " .")
    string(APPEND CPACK_RPM_PACKAGE_DESCRIPTION "\n")
  elseif(in_description AND line MATCHES "^ (.*)$")
    string(APPEND CPACK_RPM_PACKAGE_DESCRIPTION "${CMAKE_MATCH_1}\n")
  else()
    set(in_description FALSE)
  endif()
endforeach()
string(REPLACE "%" "%%" CPACK_RPM_PACKAGE_DESCRIPTION "${CPACK_RPM_PACKAGE_DESCRIPTION}")

# Only the RPM package has this part of the install (see cpack-per-package).
install(FILES ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/licenses/packtext
        PERMISSIONS ${file_permissions} COMPONENT rpm EXCLUDE_FROM_ALL)
set(rpm_docdir /usr/${CMAKE_INSTALL_DOCDIR})
list(TRANSFORM PACKTEXT_GUIDES PREPEND "%doc ${rpm_docdir}/" OUTPUT_VARIABLE rpm_guides)
set(CPACK_RPM_USER_FILELIST
    "%license /usr/${CMAKE_INSTALL_DATAROOTDIR}/licenses/packtext/LICENSE" ${rpm_guides}
    "%doc ${rpm_docdir}/copyright" "%doc ${rpm_docdir}/changelog.gz")
# The system's own package owns these folders: a package that listed them
# too would conflict with it wherever their modes differ.
set(CPACK_RPM_EXCLUDE_FROM_AUTO_FILELIST_ADDITION /usr/share/man /usr/share/man/man1 /usr/share/licenses)

# rpmbuild's steps after the install would strip the program, compress
# the manual page again, and make debug information, each with this host's
# tools, whatever the program's architecture: in their place every file
# and folder is given the time SOURCE_DATE_EPOCH, as in the other packages
# (rpm would only bring later times down to it), and nothing else, so the
# program packed is the one built. The build time is SOURCE_DATE_EPOCH
# too, not a time from the changelog, the build host a fixed name, and the
# payload compressed by one thread, so that the bytes depend on the source
# alone.
# No links under /usr/lib/.build-id: they lead to debug information, and
# there is none.
set(CPACK_RPM_COMPRESSION_TYPE xz)
string(CONCAT CPACK_RPM_SPEC_MORE_DEFINE "%define packager ${CPACK_PACKAGE_CONTACT}\n" [[
%define __spec_install_post find %{buildroot} -exec touch -h -d @$SOURCE_DATE_EPOCH {} +
%define debug_package %{nil}
%define _build_id_links none
%define source_date_epoch_from_changelog 0
%define use_source_date_epoch_as_buildtime 1
%define clamp_mtime_to_source_date_epoch 1
%define _buildhost reproducible]])

# The %changelog, from the Debian changelog: each entry's items become
# "- " lines under a "* date maintainer - version-release" line. A Debian
# revision, if the version has one, is not RPM's release: it is left out.
file(STRINGS ${PACKTEXT_DOCUMENTS_DIR}/changelog changelog_lines)
set(rpm_changelog "")
set(entry "")
foreach(line IN LISTS changelog_lines)
  if(line MATCHES "^packtext \\(([^)-]+)(-[^)]*)?\\)")
    set(entry_version ${CMAKE_MATCH_1})
  elseif(line MATCHES "^  \\* (.*)$")
    string(APPEND entry "- ${CMAKE_MATCH_1}\n")
  elseif(line MATCHES "^    (.*)$")
    string(APPEND entry "  ${CMAKE_MATCH_1}\n")
  elseif(line MATCHES "^ -- (.+>)  ([A-Z][a-z][a-z]), ([0-9][0-9]) ([A-Z][a-z][a-z]) ([0-9]+) ")
    string(APPEND rpm_changelog "* ${CMAKE_MATCH_2} ${CMAKE_MATCH_4} ${CMAKE_MATCH_3} ${CMAKE_MATCH_5}"
                                " ${CMAKE_MATCH_1} - ${entry_version}-${CPACK_RPM_PACKAGE_RELEASE}\n${entry}\n")
    set(entry "")
  elseif(NOT line STREQUAL "")
    message(FATAL_ERROR "rpm.cmake: a changelog line it cannot read: ${line}")
  endif()
endforeach()
set(CPACK_RPM_CHANGELOG_FILE ${PACKTEXT_DOCUMENTS_DIR}/rpm-changelog)
string(REPLACE "%" "%%" rpm_changelog "${rpm_changelog}")
file(WRITE ${CPACK_RPM_CHANGELOG_FILE} "${rpm_changelog}")
