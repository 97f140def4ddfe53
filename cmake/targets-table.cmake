# The one CMake reader of targets.txt, the table of targets, included by the
# toolchain files, the build and the scripts run with cmake -P. It reads the
# table once: its header row names the columns, and packtext_targets_<column>
# lists a column's fields, row by row.
#
# packtext_target(COLUMN VALUE) sets target_<column> for every column of the
# first row whose COLUMN is VALUE, and fails, naming the table, where there
# is none; packtext_target_column(COLUMN OUT) lists a column's distinct
# values; packtext_toolchain_target(SYSTEM DEFAULT), for a toolchain file,
# reads the row of PACKTEXT_TRIPLE, which must be a SYSTEM target's;
# packtext_row_triple(MACHINE OUT) finds the row of a compiler's triple,
# whatever its vendor; packtext_build_row(), for the build, reads the row of
# the compiler the build was configured with. Each fails, naming the column,
# where the header row does not name one it is asked for, and so does
# packtext_target_has(COLUMN).
include_guard(GLOBAL)
function(packtext_read_targets)
  file(STRINGS ${CMAKE_CURRENT_FUNCTION_LIST_DIR}/../targets.txt rows REGEX "^[^# ]")
  list(POP_FRONT rows header)
  string(REGEX REPLACE " +" ";" columns "${header}")
  list(LENGTH columns expected)
  foreach(row IN LISTS rows)
    string(REGEX REPLACE " +" ";" fields "${row}")
    list(LENGTH fields found)
    if(NOT found EQUAL expected)
      list(GET fields 0 name)
      message(FATAL_ERROR "targets.txt: the row of ${name} has ${found} fields for ${expected} columns")
    endif()
    foreach(column field IN ZIP_LISTS columns fields)
      list(APPEND packtext_targets_${column} ${field})
    endforeach()
  endforeach()
  set(packtext_target_columns ${columns} PARENT_SCOPE)
  foreach(column IN LISTS columns)
    set(packtext_targets_${column} ${packtext_targets_${column}} PARENT_SCOPE)
  endforeach()
endfunction()
packtext_read_targets()

# Fails, naming COLUMN, where the header row does not name it.
function(packtext_target_has column)
  if(NOT column IN_LIST packtext_target_columns)
    list(JOIN packtext_target_columns " " names)
    message(FATAL_ERROR "targets.txt has no column ${column}: its header row names ${names}")
  endif()
endfunction()

function(packtext_target column value)
  packtext_target_has(${column})
  list(FIND packtext_targets_${column} ${value} index)
  if(index EQUAL -1)
    message(FATAL_ERROR "No target's ${column} is ${value}: each target is a row of targets.txt")
  endif()
  foreach(name IN LISTS packtext_target_columns)
    list(GET packtext_targets_${name} ${index} field)
    set(target_${name} ${field} PARENT_SCOPE)
  endforeach()
endfunction()

function(packtext_target_column column out)
  packtext_target_has(${column})
  set(values ${packtext_targets_${column}})
  list(REMOVE_DUPLICATES values)
  set(${out} ${values} PARENT_SCOPE)
endfunction()

# A macro: a toolchain file's variables are the project's. PACKTEXT_TRIPLE is
# passed on to every try_compile, which reads the toolchain file again.
macro(packtext_toolchain_target system default)
  set(PACKTEXT_TRIPLE ${default} CACHE STRING "GNU triple of the target architecture")
  list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES PACKTEXT_TRIPLE)
  packtext_target(triple ${PACKTEXT_TRIPLE})
  packtext_target_has(system)
  if(NOT target_system STREQUAL "${system}")
    message(FATAL_ERROR "${PACKTEXT_TRIPLE} is ${target_preset}'s triple, not a ${system} target's")
  endif()
  string(REGEX MATCH "^[^-]+" CMAKE_SYSTEM_PROCESSOR ${PACKTEXT_TRIPLE})
endmacro()

# packtext_row_triple(MACHINE OUT): the triple of the first row of targets.txt
# whose processor, system and ABI are MACHINE's, a GNU triple as any vendor's
# compiler names it (x86_64-redhat-linux, s390x-ibm-linux-gnu,
# i686-unknown-linux-gnu); empty where there is none. The vendor is left
# out, a Linux triple without an ABI is GNU's, and the processors that
# distributions name apart are one: i386 to i686, ppc, ppc64 and ppc64le to
# powerpc, powerpc64 and powerpc64le, hppa1.1 and hppa2.0 to hppa, alphaev6
# and the like to alpha,
# arm and armv7hl or armv5tel, whose ABI (gnueabihf, gnueabi) tells armhf
# from armel; clang's windows-gnu is mingw-w64's mingw32.
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
    string(REGEX REPLACE "^ppc" "powerpc" processor ${processor})
    string(REGEX REPLACE "^hppa[12][.][0-9]$" "hppa" processor ${processor})
    string(REGEX REPLACE "^alpha(ev[0-9]+|pca[0-9]+)$" "alpha" processor ${processor})
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

# The build's row of targets.txt, found from the triple the compiler builds
# for, by its processor, system and ABI whatever its vendor (packtext_row_triple):
# clang says i686-unknown-linux-gnu where Debian's GCC says i686-linux-gnu,
# and Fedora's GCC x86_64-redhat-linux. A preset names its row's triple, and
# a compiler that builds for another is refused: a plain g++ on an i386
# preset would quietly make an x86-64 program. A build without one
# (sanitize, bench) takes the compiler's own.
macro(packtext_build_row)
  set(target_flag "")
  if(CMAKE_CXX_COMPILER_TARGET)
    set(target_flag ${CMAKE_CXX_COMPILE_OPTIONS_TARGET}${CMAKE_CXX_COMPILER_TARGET})
  endif()
  execute_process(COMMAND ${CMAKE_CXX_COMPILER} ${target_flag} -dumpmachine
                  OUTPUT_VARIABLE machine OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
  packtext_row_triple(${machine} machine_row)
  if(NOT PACKTEXT_TRIPLE)
    if(NOT machine_row)
      message(FATAL_ERROR "${CMAKE_CXX_COMPILER} builds for ${machine}, and no row of targets.txt "
                          "is for its processor, system and ABI")
    endif()
    set(PACKTEXT_TRIPLE ${machine_row})
  elseif(NOT machine_row STREQUAL PACKTEXT_TRIPLE)
    message(FATAL_ERROR "${CMAKE_CXX_COMPILER} builds for ${machine}, not ${PACKTEXT_TRIPLE}: "
                        "choose ${PACKTEXT_TRIPLE}-g++, or clang++, which is pointed at the triple")
  endif()
  packtext_target(triple ${PACKTEXT_TRIPLE})
  # The columns the build reads from its row, each asked for by name.
  foreach(column IN ITEMS preset header entry start address machine)
    packtext_target_has(${column})
  endforeach()
  # The address column: pie or fixed, then, for fixed, the compiler's
  # options for code at a fixed address, joined by commas.
  string(REPLACE "," ";" target_address_flags ${target_address})
  list(POP_FRONT target_address_flags target_address)
endmacro()
