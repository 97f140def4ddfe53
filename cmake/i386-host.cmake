# packtext_runs_i386(QUESTION RUNS REASON): whether this host runs i386
# programs natively, asked of scripts/runs-i386 (QUESTION: static, dynamic or
# wine) at every configure, since installing the i386 libraries or Wine's
# 32-bit part changes the answer. Sets RUNS, and REASON when it is false.
function(packtext_runs_i386 question runs reason)
  execute_process(COMMAND ${PROJECT_SOURCE_DIR}/scripts/runs-i386 ${question} ${PROJECT_BINARY_DIR}
                  RESULT_VARIABLE status OUTPUT_VARIABLE why
                  OUTPUT_STRIP_TRAILING_WHITESPACE)
  # A failure to start the script is no answer either: only 0 means yes.
  if(status STREQUAL "0")
    set(${runs} ON PARENT_SCOPE)
  else()
    set(${runs} OFF PARENT_SCOPE)
    set(${reason} "${why}" PARENT_SCOPE)
  endif()
endfunction()
