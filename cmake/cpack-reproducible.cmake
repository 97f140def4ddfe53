# Run by cpack once it has made a package: the tarball or ZIP is made again
# from the same staging folder, so that its bytes depend on the files alone,
# whoever makes it on whatever file system: members sorted by name, owner and
# group 0 and numeric (a ZIP records none), no time later than
# SOURCE_DATE_EPOCH (debian/changelog's date unless the caller sets it), modes
# whatever the umask, and compressed without names or times. CPack's own
# archives take the file system's order and the builder's user and group.
if(DEFINED ENV{SOURCE_DATE_EPOCH})
  set(date $ENV{SOURCE_DATE_EPOCH})
else()
  set(date ${CPACK_PACKTEXT_CHANGELOG_DATE})
endif()
set(top ${CPACK_PACKAGE_FILE_NAME})

foreach(package IN LISTS CPACK_PACKAGE_FILES)
  file(REMOVE ${package})
  if(package MATCHES "\\.tar\\.gz$")
    execute_process(
      COMMAND tar --create --format=gnu --sort=name --owner=0 --group=0 --numeric-owner
              --mtime=@${date} --clamp-mtime --mode=u+rw,go=rX,a-s -C ${CPACK_TOPLEVEL_DIRECTORY} ${top}
      COMMAND gzip -9 -n
      OUTPUT_FILE ${package} COMMAND_ERROR_IS_FATAL ANY)
  elseif(package MATCHES "\\.zip$")
    # A ZIP keeps local times: they are read in UTC, after the clamp.
    execute_process(COMMAND find ${top} -newermt @${date} -exec touch -h -d @${date} {} +
                    WORKING_DIRECTORY ${CPACK_TOPLEVEL_DIRECTORY} COMMAND_ERROR_IS_FATAL ANY)
    file(GLOB_RECURSE members RELATIVE ${CPACK_TOPLEVEL_DIRECTORY} ${CPACK_TOPLEVEL_DIRECTORY}/${top}/*)
    list(SORT members)
    list(JOIN members "\n" listed)
    file(WRITE ${CPACK_TOPLEVEL_DIRECTORY}/members.txt "${listed}\n")
    # -X: no owner, group or extra times; -D: no folder entries.
    execute_process(COMMAND ${CMAKE_COMMAND} -E env TZ=UTC0 zip -X -D -9 -q ${package} -@
                    INPUT_FILE ${CPACK_TOPLEVEL_DIRECTORY}/members.txt
                    WORKING_DIRECTORY ${CPACK_TOPLEVEL_DIRECTORY} COMMAND_ERROR_IS_FATAL ANY)
  else()
    message(FATAL_ERROR "cpack-reproducible.cmake: no reproducible way to make ${package}")
  endif()
endforeach()
