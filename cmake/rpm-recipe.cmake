# Writes packtext.spec at the top of the source tree, from
# packaging/rpm/packtext.spec.in, with each fact from the one place it lives:
# the version from project(), the summary and description from
# debian/control, the architectures from the Linux rows of targets.txt that
# name one, and the date and %changelog from debian/changelog.
# scripts/build-packages runs it when it makes the source tarball, so that
# rpmbuild -ta builds from it.
# usage: cmake -P cmake/rpm-recipe.cmake
cmake_minimum_required(VERSION 3.25)
set(root ${CMAKE_CURRENT_LIST_DIR}/..)
include(${CMAKE_CURRENT_LIST_DIR}/targets-table.cmake)
include(${CMAKE_CURRENT_LIST_DIR}/source-date.cmake)

file(STRINGS ${root}/CMakeLists.txt project REGEX "^project\\(packtext VERSION [0-9.]+")
string(REGEX REPLACE "^project\\(packtext VERSION ([0-9.]+).*" "\\1" version "${project}")

packtext_target_column(preset presets)
set(architectures "")
foreach(preset IN LISTS presets)
  packtext_target(preset ${preset})
  # A row whose rpm is - has no RPM package (x32, hppa).
  if(target_system STREQUAL "linux" AND NOT target_rpm STREQUAL "-")
    list(APPEND architectures ${target_rpm})
  endif()
endforeach()
list(REMOVE_DUPLICATES architectures)
list(JOIN architectures " " architectures)

# The summary is the synopsis after Description:, capitalised as RPM wants
# it; the description the lines under it, with RPM's empty line where Debian
# writes " .".
file(STRINGS ${root}/debian/control control_lines)
set(in_description FALSE)
set(description "")
foreach(line IN LISTS control_lines)
  if(line MATCHES "^Description: (.)(.*)$")
    string(TOUPPER ${CMAKE_MATCH_1} initial)
    set(summary "${initial}${CMAKE_MATCH_2}")
    set(in_description TRUE)
  elseif(in_description AND line STREQUAL " .")
    string(APPEND description "\n")
  elseif(in_description AND line MATCHES "^ (.*)$")
    string(APPEND description "${CMAKE_MATCH_1}\n")
  else()
    set(in_description FALSE)
  endif()
endforeach()

# Each changelog entry's items become "- " lines under a "* date maintainer -
# version-release" line. A Debian revision, if the version has one, is not
# RPM's release: it is left out.
file(STRINGS ${root}/debian/changelog changelog_lines)
set(changelog "")
set(entry "")
foreach(line IN LISTS changelog_lines)
  if(line MATCHES "^packtext \\(([^)-]+)(-[^)]*)?\\)")
    set(entry_version ${CMAKE_MATCH_1})
  elseif(line MATCHES "^  \\* (.*)$")
    string(APPEND entry "- ${CMAKE_MATCH_1}\n")
  elseif(line MATCHES "^    (.*)$")
    string(APPEND entry "  ${CMAKE_MATCH_1}\n")
  elseif(line MATCHES "^ -- (.+>)  ([A-Z][a-z][a-z]), ([0-9][0-9]) ([A-Z][a-z][a-z]) ([0-9]+) ")
    string(APPEND changelog "* ${CMAKE_MATCH_2} ${CMAKE_MATCH_4} ${CMAKE_MATCH_3} ${CMAKE_MATCH_5}"
                            " ${CMAKE_MATCH_1} - ${entry_version}-1\n${entry}\n")
    set(entry "")
  elseif(NOT line STREQUAL "")
    message(FATAL_ERROR "rpm-recipe.cmake: a changelog line it cannot read: ${line}")
  endif()
endforeach()

packtext_changelog_date(date)
# rpmbuild reads "%" as the start of a macro; "%%" is the character.
foreach(text IN ITEMS summary description changelog)
  string(STRIP "${${text}}" ${text})
  string(REPLACE "%" "%%" ${text} "${${text}}")
endforeach()
configure_file(${root}/packaging/rpm/packtext.spec.in ${root}/packtext.spec @ONLY)
