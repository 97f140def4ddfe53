# packtext_changelog_date(OUT): the date of debian/changelog's latest entry,
# in seconds since 1970, as dpkg-parsechangelog -STimestamp reads it: the one
# time that every package gives its files, unless SOURCE_DATE_EPOCH says
# otherwise. A changelog without one is an error: a date made up here would
# be wrong for every later release. `cmake -P cmake/source-date.cmake`
# prints it, so that every script and test reads the date as the build does.
function(packtext_changelog_date out)
  set(changelog ${CMAKE_CURRENT_FUNCTION_LIST_DIR}/../debian/changelog)
  file(STRINGS ${changelog} trailer REGEX "^ -- .+>  [^ ]" LIMIT_COUNT 1)
  string(REGEX REPLACE "^ -- .+>  " "" when "${trailer}")
  set(date "")
  if(when)
    # An RFC 2822 date with the writer's offset from UTC, which GNU date reads
    # whatever the locale and time zone.
    execute_process(COMMAND date -d "${when}" +%s OUTPUT_VARIABLE date
                    OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
  endif()
  if(NOT date MATCHES "^[0-9]+$")
    message(FATAL_ERROR "${changelog}: its latest entry has no date that GNU date reads "
                        "(\"${when}\"), and the packages take their files' time from it")
  endif()
  set(${out} ${date} PARENT_SCOPE)
endfunction()

if(CMAKE_SCRIPT_MODE_FILE STREQUAL CMAKE_CURRENT_LIST_FILE)
  packtext_changelog_date(date)
  execute_process(COMMAND ${CMAKE_COMMAND} -E echo ${date})
endif()
