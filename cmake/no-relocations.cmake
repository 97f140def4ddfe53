# Fails, and removes PROGRAM, if the program holds relocations: with no loader
# to apply them, the program would start with unset addresses and crash.
# usage: cmake -DREADELF=... -DPROGRAM=... -P no-relocations.cmake
# readelf's words are read, so in English, whatever the builder's locale.
execute_process(COMMAND ${CMAKE_COMMAND} -E env --unset=LANGUAGE LC_ALL=C ${READELF} --relocs ${PROGRAM}
                OUTPUT_VARIABLE relocations COMMAND_ERROR_IS_FATAL ANY)
if(NOT relocations MATCHES "There are no relocations in this file")
  file(REMOVE ${PROGRAM})
  message(FATAL_ERROR "${PROGRAM} holds relocations that nothing would apply:\n${relocations}")
endif()
