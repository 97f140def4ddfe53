# packtext_row_triple(MACHINE OUT): the triple of the first row of targets.txt
# whose processor, system and ABI are MACHINE's, a GNU triple as any vendor's
# compiler names it (x86_64-redhat-linux, s390x-ibm-linux-gnu,
# i686-unknown-linux-gnu); empty where there is none. The vendor is left
# out, a Linux triple without an ABI is GNU's, and the processors that
# distributions name apart are one: i386 to i686, ppc64le and powerpc64le,
# arm and armv7hl or armv5tel, whose ABI (gnueabihf, gnueabi) tells armhf
# from armel; clang's windows-gnu is mingw-w64's mingw32.
include(${CMAKE_CURRENT_LIST_DIR}/targets.cmake)

function(packtext_triple_key triple out)
  set(key "")
  string(REGEX REPLACE "-windows-gnu$" "-mingw32" triple ${triple})
  if(triple MATCHES "^([^-]+)(-[^-]+)?-(linux|mingw32)(-([^-]+))?$")
    set(processor ${CMAKE_MATCH_1})
    set(system ${CMAKE_MATCH_3})
    set(abi "${CMAKE_MATCH_5}")
    if(system STREQUAL "linux" AND abi STREQUAL "")
      set(abi gnu)
    endif()
    string(REGEX REPLACE "^i[3-6]86$" "i686" processor ${processor})
    string(REGEX REPLACE "^ppc64le$" "powerpc64le" processor ${processor})
    string(REGEX REPLACE "^armv[0-9]+[a-z]*$" "arm" processor ${processor})
    set(key "${processor} ${system} ${abi}")
  endif()
  set(${out} "${key}" PARENT_SCOPE)
endfunction()

function(packtext_row_triple machine out)
  packtext_triple_key("${machine}" wanted)
  packtext_target_column(triple triples)
  set(found "")
  foreach(triple IN LISTS triples)
    packtext_triple_key(${triple} key)
    if(wanted AND key STREQUAL wanted)
      set(found ${triple})
      break()
    endif()
  endforeach()
  set(${out} "${found}" PARENT_SCOPE)
endfunction()
