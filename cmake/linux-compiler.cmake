# Refuses a compiler that does not build for PACKTEXT_TRIPLE: a plain g++ on
# an i386 preset would quietly make an x86-64 program. The vendor part is
# left out of the comparison: clang says i686-unknown-linux-gnu where GCC
# says i686-linux-gnu.
set(target_flag "")
if(CMAKE_CXX_COMPILER_TARGET)
  set(target_flag ${CMAKE_CXX_COMPILE_OPTIONS_TARGET}${CMAKE_CXX_COMPILER_TARGET})
endif()
execute_process(COMMAND ${CMAKE_CXX_COMPILER} ${target_flag} -dumpmachine
                OUTPUT_VARIABLE machine OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
string(REGEX REPLACE "^([^-]+)-[^-]+-([^-]+-[^-]+)$" "\\1-\\2" machine_without_vendor ${machine})
if(NOT machine_without_vendor STREQUAL PACKTEXT_TRIPLE)
  message(FATAL_ERROR "${CMAKE_CXX_COMPILER} builds for ${machine}, not ${PACKTEXT_TRIPLE}: "
                      "choose ${PACKTEXT_TRIPLE}-g++, or clang++, which is pointed at the triple")
endif()
