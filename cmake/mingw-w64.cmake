# Cross-build for Windows with Debian's mingw-w64; included by the toolchain
# file of each architecture once it has set PACKTEXT_MINGW_TRIPLE and
# CMAKE_SYSTEM_PROCESSOR. The -posix compiler variant has std::mutex and
# std::thread, which GoogleTest needs; the program itself uses neither.
# Wine, which runs the tests, is looked for where the tests are set up: a
# build of the program alone does not need it.
set(CMAKE_SYSTEM_NAME Windows)

set(CMAKE_C_COMPILER ${PACKTEXT_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${PACKTEXT_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${PACKTEXT_MINGW_TRIPLE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${PACKTEXT_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
