# Fails, and removes PROGRAM, if anything would have to be done to it before
# its entry: nothing here applies relocations or runs initialisers, so such a
# program would start with unset addresses, or with data nothing computed.
# The tools run in the C locale, since their words are what is read here.
# usage: cmake -DPROGRAM=... -DREADELF=... -P nothing-before-entry.cmake (ELF)
#        cmake -DPROGRAM=... -DOBJDUMP=... -DLINK_MAP=... -P ... (PE, linked by GNU ld)
set(ENV{LC_ALL} C)
unset(ENV{LANGUAGE})

# Adds "section NAME (SIZE bytes)" to `work` where SIZE, in hexadecimal, is not 0.
function(add_section name hex_size)
  math(EXPR size "0x${hex_size}")
  if(size)
    list(APPEND work "section ${name} (${size} bytes)${ARGN}")
    set(work "${work}" PARENT_SCOPE)
  endif()
endfunction()

# Start-up work that a C runtime would do and this program's entry does not.
set(work "")
set(relocations "")
if(READELF)
  execute_process(COMMAND ${READELF} --wide --section-headers --program-headers --dynamic --relocs
                          ${PROGRAM}
                  OUTPUT_VARIABLE report COMMAND_ERROR_IS_FATAL ANY)
  string(REPLACE "\n" ";" lines "${report}")
  foreach(line IN LISTS lines)
    if(line MATCHES "^ *\\[ *[0-9]+\\] +(\\.(preinit_array|init_array|fini_array|ctors|dtors)[^ ]*) +[^ ]+ +[0-9a-f]+ +[0-9a-f]+ +([0-9a-f]+) ")
      add_section(${CMAKE_MATCH_1} ${CMAKE_MATCH_3})
    elseif(line MATCHES "^ *0x[0-9a-f]+ +\\((PREINIT_ARRAY|INIT|FINI)([A-Z_]*)\\)")
      list(APPEND work "dynamic entry DT_${CMAKE_MATCH_1}${CMAKE_MATCH_2}")
    elseif(line MATCHES "^ *TLS +0x")
      list(APPEND work "a TLS segment (PT_TLS)")
    endif()
  endforeach()
  if(NOT report MATCHES "There are no relocations in this file")
    string(REGEX MATCH "\nRelocation section.*" relocations "${report}")
  endif()
else()
  # GNU ld for Windows folds .ctors into .text, where only the map shows them,
  # discarded ones too, as it shows its runtime pseudo-relocation list, which
  # only a C runtime applies. lld's map lines ("ADDRESS SIZE ALIGN
  # FILE:(SECTION)") are first written as GNU ld's (" SECTION 0xADDRESS 0xSIZE
  # FILE"); lld keeps its list out of the map, and refuses to make one.
  set(names "(\\.ctors|\\.dtors|\\.CRT\\$X[CI]|\\.tls|\\.rdata_runtime_pseudo_reloc)[^ \n)]*")
  file(READ ${LINK_MAP} map)
  string(REGEX REPLACE "\n([0-9a-f]+) ([0-9a-f]+) +[0-9]+ +([^\n]+):\\((${names})\\)"
         "\n \\4 0x\\1 0x\\2 \\3" map "${map}")
  string(REGEX MATCHALL "\n ${names}[ \n]+0x[0-9a-f]+ +0x[0-9a-f]+ [^\n]+" sections "${map}")
  foreach(section IN LISTS sections)
    if(section MATCHES "^\n ([^ \n]+)[ \n]+0x[0-9a-f]+ +0x([0-9a-f]+) +([^\n]+)")
      add_section(${CMAKE_MATCH_1} ${CMAKE_MATCH_2} " from ${CMAKE_MATCH_3}")
    endif()
  endforeach()
  execute_process(COMMAND ${OBJDUMP} --private-headers ${PROGRAM}
                  OUTPUT_VARIABLE report COMMAND_ERROR_IS_FATAL ANY)
  if(report MATCHES "\nEntry 9 [0-9a-f]+ ([0-9a-f]+) " AND NOT CMAKE_MATCH_1 MATCHES "^0+$")
    list(APPEND work "a TLS directory")
  endif()
endif()

if(work OR relocations)
  file(REMOVE ${PROGRAM})
  if(work)
    list(JOIN work "\n  " work)
    message("${PROGRAM} needs start-up work that nothing would run:\n  ${work}\n"
            "A global initialised at run time, a constructor or thread-local data does: "
            "make it constinit. So does data auto-imported from a DLL: declare it dllimport.")
  endif()
  if(relocations)
    message("${PROGRAM} holds relocations that nothing would apply:${relocations}")
  endif()
  message(FATAL_ERROR "${PROGRAM} cannot start as it is, and is removed.")
endif()
