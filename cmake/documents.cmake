# The documents that ship beside the program, made in the build tree: the
# manual page with the project's version, and for Linux the changelog
# (debian/changelog, the one changelog) and manual page gzip-compressed as
# Debian wants them (-n: no name or time in the header, so the bytes
# depend on the text alone). Windows has no man: its ZIP carries the manual
# page as plain text instead.
set(PACKTEXT_DOCUMENTS_DIR ${PROJECT_BINARY_DIR}/documents)
# The README and the documents it links to, by their paths in the source
# tree: installed in that same layout, so that its links lead somewhere.
file(GLOB PACKTEXT_GUIDES RELATIVE ${PROJECT_SOURCE_DIR} CONFIGURE_DEPENDS
     ${PROJECT_SOURCE_DIR}/doc/*.md)
list(PREPEND PACKTEXT_GUIDES README.md bench/README.md)
# The platforms the manual page names, from the table of targets in its
# order, each once: the Windows machines by Windows' names, then the Linux
# architectures by Debian's.
set(windows_name_I386 "x86 (32-bit)")
set(windows_name_AMD64 x64)
function(packtext_platforms system column out)
  set(names "")
  foreach(row_system field IN ZIP_LISTS packtext_targets_system packtext_targets_${column})
    if(row_system STREQUAL system)
      if(DEFINED windows_name_${field})
        set(field ${windows_name_${field}})
      endif()
      list(APPEND names "${field}")
    endif()
  endforeach()
  list(REMOVE_DUPLICATES names)
  list(POP_BACK names last)
  list(JOIN names ", " joined)
  if(names)
    string(APPEND joined " and ")
  endif()
  set(${out} "${joined}${last}" PARENT_SCOPE)
endfunction()
packtext_target_has(machine)
packtext_target_has(debian)
packtext_platforms(windows machine PACKTEXT_WINDOWS_PLATFORMS)
packtext_platforms(linux debian PACKTEXT_LINUX_PLATFORMS)
configure_file(${PROJECT_SOURCE_DIR}/doc/packtext.1.in ${PACKTEXT_DOCUMENTS_DIR}/packtext.1 @ONLY)

if(WIN32)
  # Rendered when the program is installed or packaged, not when it is built,
  # so that building it needs only its compiler. Plain ASCII: no escape
  # sequences, no overstriking for bold or underline.
  install(CODE "set(documents \"${PACKTEXT_DOCUMENTS_DIR}\")")
  install(CODE [[
    find_program(groff groff)
    if(NOT groff)
      message(FATAL_ERROR "groff (Debian: groff-base) renders MANUAL.txt; it is not installed")
    endif()
    execute_process(COMMAND ${CMAKE_COMMAND} -E env LC_ALL=C
                            ${groff} -man -Tascii -P-c -P-b -P-o -P-u -rLL=78n packtext.1
                    OUTPUT_FILE MANUAL.txt WORKING_DIRECTORY ${documents}
                    COMMAND_ERROR_IS_FATAL ANY)
  ]])
  return()
endif()

configure_file(${PROJECT_SOURCE_DIR}/debian/changelog ${PACKTEXT_DOCUMENTS_DIR}/changelog COPYONLY)
set(compressed ${PACKTEXT_DOCUMENTS_DIR}/packtext.1.gz ${PACKTEXT_DOCUMENTS_DIR}/changelog.gz)
add_custom_command(
  OUTPUT ${compressed}
  COMMAND gzip -9 -n -k -f packtext.1 changelog
  DEPENDS ${PACKTEXT_DOCUMENTS_DIR}/packtext.1 ${PACKTEXT_DOCUMENTS_DIR}/changelog
  WORKING_DIRECTORY ${PACKTEXT_DOCUMENTS_DIR})
add_custom_target(packtext_documents ALL DEPENDS ${compressed})
