# Reads targets.txt, the table of targets, once: its header row names the
# columns, and packtext_targets_<column> lists a column's fields, row by row.
# packtext_target(COLUMN VALUE) sets target_<column> for every column of the
# first row whose COLUMN is VALUE, and fails, naming the table, where there
# is none; packtext_target_column(COLUMN OUT) lists a column's distinct
# values; packtext_toolchain_target(SYSTEM DEFAULT), for a toolchain file,
# reads the row of PACKTEXT_TRIPLE, which must be a SYSTEM target's. Each
# fails, naming the column, where the header row does not name one it is
# asked for, and so does packtext_target_has(COLUMN).
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
