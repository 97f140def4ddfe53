# Reads targets.txt, the table of targets: packtext_target(COLUMN VALUE) sets
# target_<column> for every column of the first row whose COLUMN is VALUE,
# and fails, naming the table, where there is none;
# packtext_target_column(COLUMN OUT) lists a column's distinct values.
set(packtext_target_columns
    preset system debian triple compiler packages qemu machine order rpm header entry)
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
