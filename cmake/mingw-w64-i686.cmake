# Cross-build for 32-bit Windows with Debian's mingw-w64. The -posix compiler
# variant has std::mutex and std::thread, which GoogleTest needs; the program
# itself uses neither.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)

set(CMAKE_C_COMPILER i686-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER i686-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER i686-w64-mingw32-windres)

set(CMAKE_FIND_ROOT_PATH /usr/i686-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

# Test programs run under Wine, in a prefix of the build's own and with Wine's
# diagnostics off, so they see nothing of the user's Wine set-up.
find_program(PACKTEXT_WINE NAMES wine REQUIRED)
set(PACKTEXT_WINE_ENVIRONMENT WINEPREFIX=${CMAKE_BINARY_DIR}/wineprefix WINEDEBUG=-all)
set(CMAKE_CROSSCOMPILING_EMULATOR env ${PACKTEXT_WINE_ENVIRONMENT} ${PACKTEXT_WINE})
