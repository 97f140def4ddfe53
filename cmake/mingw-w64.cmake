# Cross-build for Windows with Debian's mingw-w64, for the target whose triple
# is PACKTEXT_TRIPLE (set by each preset; its row in targets.txt). The -posix
# compiler variant has std::mutex and std::thread, which GoogleTest needs; the
# program itself uses neither.
# Wine, which runs the tests, is looked for where the tests are set up: a
# build of the program alone does not need it.
include(${CMAKE_CURRENT_LIST_DIR}/targets-table.cmake)
packtext_toolchain_target(windows x86_64-w64-mingw32)
set(CMAKE_SYSTEM_NAME Windows)

set(CMAKE_C_COMPILER ${PACKTEXT_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${PACKTEXT_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${PACKTEXT_TRIPLE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${PACKTEXT_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
