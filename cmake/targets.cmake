# Reads targets.txt, the table of targets: packtext_target(COLUMN VALUE) sets
# target_<column> for every column of the first row whose COLUMN is VALUE,
# and fails, naming the table, where there is none;
# packtext_target_column(COLUMN OUT) lists a column's distinct values;
# packtext_toolchain_target(SYSTEM DEFAULT), for a toolchain file, reads the
# row of PACKTEXT_TRIPLE, which must be a SYSTEM target's.
set(packtext_target_columns
    preset system debian triple compiler packages qemu machine order rpm header entry address)
set(packtext_targets_file ${CMAKE_CURRENT_LIST_DIR}/../targets.txt)

function(packtext_target column value)
  list(FIND packtext_target_columns ${column} index)
  file(STRINGS ${packtext_targets_file} rows REGEX "^[^# ]")
  foreach(row IN LISTS rows)
    string(REGEX REPLACE " +" ";" fields "${row}")
    list(GET fields ${index} found)
    if(found STREQUAL value)
      foreach(name field IN ZIP_LISTS packtext_target_columns fields)
        set(target_${name} ${field} PARENT_SCOPE)
      endforeach()
      return()
    endif()
  endforeach()
  message(FATAL_ERROR "No target's ${column} is ${value}: each target is a row of targets.txt")
endfunction()

function(packtext_target_column column out)
  list(FIND packtext_target_columns ${column} index)
  file(STRINGS ${packtext_targets_file} rows REGEX "^[^# ]")
  set(values "")
  foreach(row IN LISTS rows)
    string(REGEX REPLACE " +" ";" fields "${row}")
    list(GET fields ${index} value)
    list(APPEND values ${value})
  endforeach()
  list(REMOVE_DUPLICATES values)
  set(${out} ${values} PARENT_SCOPE)
endfunction()

# A macro: a toolchain file's variables are the project's. PACKTEXT_TRIPLE is
# passed on to every try_compile, which reads the toolchain file again.
macro(packtext_toolchain_target system default)
  set(PACKTEXT_TRIPLE ${default} CACHE STRING "GNU triple of the target architecture")
  list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES PACKTEXT_TRIPLE)
  packtext_target(triple ${PACKTEXT_TRIPLE})
  if(NOT target_system STREQUAL "${system}")
    message(FATAL_ERROR "${PACKTEXT_TRIPLE} is ${target_preset}'s triple, not a ${system} target's")
  endif()
  string(REGEX MATCH "^[^-]+" CMAKE_SYSTEM_PROCESSOR ${PACKTEXT_TRIPLE})
endmacro()
