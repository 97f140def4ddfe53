# Fails if any of OBJECTS (joined by "|") calls a memcpy or memmove of any
# name: TextLength and SpreadWords load their words without a call at the
# presets' flags, where armel's GCC once called memcpy for every word.
# usage: cmake -DREADELF=... -DOBJECTS=a.o|b.o -P no-copy-calls.cmake
set(ENV{LC_ALL} C)
unset(ENV{LANGUAGE})
string(REPLACE "|" ";" objects "${OBJECTS}")
if(NOT objects)
  message(FATAL_ERROR "No objects to read")
endif()
set(found "")
foreach(object IN LISTS objects)
  execute_process(COMMAND ${READELF} --wide --relocs ${object}
                  OUTPUT_VARIABLE relocations COMMAND_ERROR_IS_FATAL ANY)
  string(REGEX MATCHALL "[A-Za-z0-9_]*mem(cpy|move)[A-Za-z0-9_]*" calls "${relocations}")
  if(calls)
    list(REMOVE_DUPLICATES calls)
    list(JOIN calls ", " calls)
    list(APPEND found "${object}: ${calls}")
  endif()
endforeach()
if(found)
  list(JOIN found "\n" found)
  message(FATAL_ERROR "Calls to copy words where a load would do:\n${found}")
endif()
message("No copy calls in ${OBJECTS}")
