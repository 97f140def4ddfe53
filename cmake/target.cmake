# The build's row of targets.txt, found from the triple the compiler builds
# for. A preset names its triple, and a compiler that builds for another is
# refused: a plain g++ on an i386 preset would quietly make an x86-64
# program. A build without one (sanitize, bench) takes the compiler's own.
# The vendor part is left out of the comparison: clang says
# i686-unknown-linux-gnu where GCC says i686-linux-gnu; and clang's name of a
# mingw-w64 target, aarch64-w64-windows-gnu, is read as GCC's, -w64-mingw32.
include(${CMAKE_CURRENT_LIST_DIR}/targets.cmake)
set(target_flag "")
if(CMAKE_CXX_COMPILER_TARGET)
  set(target_flag ${CMAKE_CXX_COMPILE_OPTIONS_TARGET}${CMAKE_CXX_COMPILER_TARGET})
endif()
execute_process(COMMAND ${CMAKE_CXX_COMPILER} ${target_flag} -dumpmachine
                OUTPUT_VARIABLE machine OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
string(REGEX REPLACE "-w64-windows-gnu$" "-w64-mingw32" machine ${machine})
string(REGEX REPLACE "^([^-]+)-[^-]+-([^-]+-[^-]+)$" "\\1-\\2" machine_without_vendor ${machine})
if(NOT PACKTEXT_TRIPLE)
  set(PACKTEXT_TRIPLE ${machine_without_vendor})
elseif(NOT machine_without_vendor STREQUAL PACKTEXT_TRIPLE)
  message(FATAL_ERROR "${CMAKE_CXX_COMPILER} builds for ${machine}, not ${PACKTEXT_TRIPLE}: "
                      "choose ${PACKTEXT_TRIPLE}-g++, or clang++, which is pointed at the triple")
endif()
packtext_target(triple ${PACKTEXT_TRIPLE})
