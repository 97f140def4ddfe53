# Whether this host runs i386 programs, for the targets that need it: the
# Linux i386 program and its tests, and Wine running a 32-bit Windows program.
# An x86-64 kernel may have no IA32 emulation, so scripts/runs-i386 finds out
# by trying, once per build tree, and again only if PACKTEXT_NO_I386 (which
# forces the "cannot run" path) changes. Sets PACKTEXT_HOST_RUNS_I386 and,
# when false, PACKTEXT_NO_I386_REASON.
if(NOT DEFINED PACKTEXT_HOST_RUNS_I386
   OR NOT "$ENV{PACKTEXT_NO_I386}" STREQUAL "${PACKTEXT_I386_PROBED_WITH}")
  execute_process(COMMAND ${PROJECT_SOURCE_DIR}/scripts/runs-i386 ${PROJECT_BINARY_DIR}
                  RESULT_VARIABLE status OUTPUT_VARIABLE reason
                  OUTPUT_STRIP_TRAILING_WHITESPACE)
  # A failure to start the script is no answer either: only 0 means yes.
  if(status STREQUAL "0")
    set(runs ON)
  else()
    set(runs OFF)
  endif()
  set(PACKTEXT_HOST_RUNS_I386 ${runs} CACHE INTERNAL "This host runs i386 programs")
  set(PACKTEXT_NO_I386_REASON "${reason}" CACHE INTERNAL "Why it does not")
  set(PACKTEXT_I386_PROBED_WITH "$ENV{PACKTEXT_NO_I386}" CACHE INTERNAL "")
endif()
