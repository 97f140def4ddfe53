# Included by tests/CMakeLists.txt for unit tests run under qemu-user: links
# them statically, as one program that needs no C library of the target's
# (Debian 12's qemu-i386 also hangs a dynamically linked program that forks,
# as the stand-in's tests do). Where the emulator runs no static GoogleTest
# program (emulator/googletest_program.cpp, tried at each configure), they
# are linked dynamically, and qemu-user finds the target's libraries where
# the cross compiler has them (-L), if it runs that; otherwise they are left
# out, unbuilt, with the reason in skipped-tests.txt: unit_tests_run is then
# FALSE.
set(trial ${CMAKE_CURRENT_LIST_DIR}/googletest_program.cpp)
# A run that has not ended in 10 seconds, where one that runs takes a tenth
# of a second, has failed: under Debian 12's qemu-sh4 a static one never
# ends (status 124, timeout's).
set(trial_seconds 10)
set(emulator_alone ${CMAKE_CROSSCOMPILING_EMULATOR})
set(CMAKE_CROSSCOMPILING_EMULATOR timeout ${trial_seconds} ${emulator_alone})
set(trial_includes
    "-DINCLUDE_DIRECTORIES=${PACKTEXT_GTEST_SOURCE}/googletest/include;${PACKTEXT_GTEST_SOURCE}/googletest")
list(GET emulator_alone 0 emulator)
try_run(static_status static_built ${PROJECT_BINARY_DIR}/emulator-trial-static ${trial}
        CMAKE_FLAGS "${trial_includes}" LINK_OPTIONS -static
        COMPILE_OUTPUT_VARIABLE trial_log RUN_OUTPUT_VARIABLE static_output)
if(NOT static_built)
  message(FATAL_ERROR "emulator/googletest_program.cpp did not build:\n${trial_log}")
endif()
if(static_status STREQUAL "0")
  set(CMAKE_CROSSCOMPILING_EMULATOR ${emulator_alone})
  target_link_options(packtext_unit_tests PRIVATE -static)
  return()
endif()
# How a run ended: its status, and the last line it wrote (qemu's, on a
# crash), or that it was stopped.
function(packtext_trial_end status output out)
  string(STRIP "${output}" output)
  set(last "no output")
  if(status STREQUAL "124")
    set(last "stopped after ${trial_seconds} seconds")
  elseif(output MATCHES "([^\n]+)$")
    set(last "${CMAKE_MATCH_1}")
  endif()
  set(${out} "status ${status}, ${last}" PARENT_SCOPE)
endfunction()
packtext_trial_end(${static_status} "${static_output}" static_end)
# The folder of the target's C library, whose lib/ holds its dynamic loader:
# where the compiler finds libc.so (alpha's library is libc.so.6.1).
execute_process(COMMAND ${CMAKE_CXX_COMPILER} ${target_flag} -print-file-name=libc.so
                OUTPUT_VARIABLE libc OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
if(NOT IS_ABSOLUTE "${libc}")
  message(FATAL_ERROR "${CMAKE_CXX_COMPILER} finds no libc.so, with which the unit tests would link")
endif()
file(REAL_PATH ${libc} libc)
cmake_path(GET libc PARENT_PATH libraries)
cmake_path(GET libraries PARENT_PATH libraries)
set(CMAKE_CROSSCOMPILING_EMULATOR timeout ${trial_seconds} ${emulator_alone} -L ${libraries})
try_run(dynamic_status dynamic_built ${PROJECT_BINARY_DIR}/emulator-trial-dynamic ${trial}
        CMAKE_FLAGS "${trial_includes}"
        COMPILE_OUTPUT_VARIABLE trial_log RUN_OUTPUT_VARIABLE dynamic_output)
if(NOT dynamic_built)
  message(FATAL_ERROR "emulator/googletest_program.cpp did not build:\n${trial_log}")
endif()
if(dynamic_status STREQUAL "0")
  set(CMAKE_CROSSCOMPILING_EMULATOR ${emulator_alone} -L ${libraries})
  message(STATUS "The unit tests are linked dynamically: ${emulator} runs no static GoogleTest "
                 "program (emulator/googletest_program.cpp, ${static_end})")
  set_target_properties(packtext_unit_tests PROPERTIES CROSSCOMPILING_EMULATOR
                        "${CMAKE_CROSSCOMPILING_EMULATOR}")
  return()
endif()
set(CMAKE_CROSSCOMPILING_EMULATOR ${emulator_alone})
set(unit_tests_run FALSE)
set_target_properties(packtext_unit_tests PROPERTIES EXCLUDE_FROM_ALL ON)
packtext_trial_end(${dynamic_status} "${dynamic_output}" dynamic_end)
file(APPEND ${PROJECT_BINARY_DIR}/skipped-tests.txt
     "unit tests: ${emulator} runs no GoogleTest program (emulator/googletest_program.cpp): "
     "linked statically, ${static_end}; dynamically, ${dynamic_end}\n")
