# The build's row of targets.txt, found from the triple the compiler builds
# for, by its processor, system and ABI whatever its vendor (triple.cmake):
# clang says i686-unknown-linux-gnu where Debian's GCC says i686-linux-gnu,
# and Fedora's GCC x86_64-redhat-linux. A preset names its row's triple, and
# a compiler that builds for another is refused: a plain g++ on an i386
# preset would quietly make an x86-64 program. A build without one
# (sanitize, bench) takes the compiler's own.
include(${CMAKE_CURRENT_LIST_DIR}/triple.cmake)
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
foreach(column IN ITEMS preset header entry address rpm)
  packtext_target_has(${column})
endforeach()
