# Linux programs for the target whose triple is PACKTEXT_TRIPLE (set by each
# preset; its row in targets.txt says the rest), with Debian's compiler for
# that triple: x86_64-linux-gnu-g++ is the native compiler on amd64, the
# others are its cross compilers (g++-<triple>), all of which install side by
# side. Another compiler may be chosen with -DCMAKE_CXX_COMPILER=clang++,
# which is then pointed at the same triple.
#
# Tests of programs the host cannot run go through qemu-user. Whether an
# x86-64 host runs i386 programs is found out after project(), by
# cmake/i386-host.cmake: this file is read again for every try_compile.
include(${CMAKE_CURRENT_LIST_DIR}/targets-table.cmake)
# Given a compiler and no triple (packtext.spec), the row is the compiler's.
set(default_triple x86_64-linux-gnu)
if(CMAKE_CXX_COMPILER AND NOT PACKTEXT_TRIPLE)
  execute_process(COMMAND ${CMAKE_CXX_COMPILER} -dumpmachine OUTPUT_VARIABLE machine
                  OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
  packtext_row_triple(${machine} default_triple)
  if(NOT default_triple)
    message(FATAL_ERROR "${CMAKE_CXX_COMPILER} builds for ${machine}, which no row of "
                        "targets.txt is for")
  endif()
endif()
packtext_toolchain_target(linux ${default_triple})
set(CMAKE_SYSTEM_NAME Linux)

if(NOT CMAKE_CXX_COMPILER)
  set(CMAKE_CXX_COMPILER ${PACKTEXT_TRIPLE}-g++)
endif()
if(CMAKE_CXX_COMPILER MATCHES "clang")
  set(CMAKE_CXX_COMPILER_TARGET ${PACKTEXT_TRIPLE})
  # clang takes the libgcc of a GCC it finds for the triple; clang 19 takes
  # the host's x86-64 GCC for x32. Where it would not take the one that the
  # row's GCC links, it is pointed at that GCC (an option clang 16 has).
  execute_process(COMMAND ${PACKTEXT_TRIPLE}-g++ -print-libgcc-file-name
                  OUTPUT_VARIABLE gcc_libgcc OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
  execute_process(COMMAND ${CMAKE_CXX_COMPILER} --target=${PACKTEXT_TRIPLE} -print-libgcc-file-name
                  OUTPUT_VARIABLE clang_libgcc OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
  if(IS_ABSOLUTE "${gcc_libgcc}" AND EXISTS "${gcc_libgcc}" AND IS_ABSOLUTE "${clang_libgcc}")
    file(REAL_PATH ${gcc_libgcc} gcc_libgcc)
    file(REAL_PATH ${clang_libgcc} clang_libgcc)
    if(NOT gcc_libgcc STREQUAL clang_libgcc)
      get_filename_component(gcc_install_dir ${gcc_libgcc} DIRECTORY)
      string(APPEND CMAKE_CXX_FLAGS_INIT " --gcc-install-dir=${gcc_install_dir}")
    endif()
  endif()
endif()

# qemu-user's command for the row, as scripts/machines.sh makes it: its
# name with qemu- ahead, then its options, which the row joins by commas;
# none for x32 ("-"), whose tests decide where they run (tests/CMakeLists.txt).
packtext_target_has(qemu)
set(PACKTEXT_QEMU "")
if(NOT target_qemu STREQUAL "-")
  string(REPLACE "," ";" qemu ${target_qemu})
  list(TRANSFORM qemu PREPEND qemu- AT 0)
  set(PACKTEXT_QEMU ${qemu})
endif()
# The host runs its own processor's programs, unless PACKTEXT_NATIVE says
# otherwise (debian/rules knows from dpkg: an armhf chroot on an arm64 kernel
# is native). uname's names for 32-bit ARM (armv7l, or armv8l on a 64-bit
# kernel) are the triple's "arm", its ppc, ppc64 and ppc64le the triple's
# powerpc, powerpc64 and powerpc64le; its mips and mips64 name no byte
# order, which the host's own programs show: cmake's ELF header (EI_DATA,
# the sixth byte, is 1 for little-endian) makes them mipsel and mips64el.
if(NOT DEFINED PACKTEXT_NATIVE)
  string(REGEX REPLACE "^armv[78]l$" "arm" host ${CMAKE_HOST_SYSTEM_PROCESSOR})
  string(REGEX REPLACE "^ppc" "powerpc" host ${host})
  if(host MATCHES "^mips(64)?$")
    file(READ ${CMAKE_COMMAND} identity LIMIT 6 HEX)
    if(identity MATCHES "^7f454c46..01$")
      string(APPEND host el)
    endif()
  endif()
  set(PACKTEXT_NATIVE OFF)
  if(host STREQUAL CMAKE_SYSTEM_PROCESSOR
     OR (host STREQUAL "x86_64" AND CMAKE_SYSTEM_PROCESSOR STREQUAL "i686"))
    set(PACKTEXT_NATIVE ON)
  endif()
endif()
if(NOT PACKTEXT_NATIVE AND PACKTEXT_QEMU)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${PACKTEXT_QEMU})
endif()
