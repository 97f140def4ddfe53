# Linux programs for the architecture of PACKTEXT_TRIPLE (set by each preset),
# with Debian's compiler for that triple: x86_64-linux-gnu-g++ is the native
# compiler on amd64, the others are its cross compilers (g++-<triple>), all of
# which install side by side. Another compiler may be chosen with
# -DCMAKE_CXX_COMPILER=clang++, which is then pointed at the same triple.
#
# Tests of programs the host cannot run go through qemu-user. Whether an
# x86-64 host runs i386 programs is found out after project(), by
# cmake/i386-host.cmake: this file is read again for every try_compile.
set(PACKTEXT_TRIPLE x86_64-linux-gnu CACHE STRING "GNU triple of the target architecture")
set(triple ${PACKTEXT_TRIPLE})

set(CMAKE_SYSTEM_NAME Linux)
string(REGEX MATCH "^[^-]+" CMAKE_SYSTEM_PROCESSOR ${triple})

if(NOT CMAKE_CXX_COMPILER)
  set(CMAKE_CXX_COMPILER ${triple}-g++)
endif()
if(CMAKE_CXX_COMPILER MATCHES "clang")
  set(CMAKE_CXX_COMPILER_TARGET ${triple})
endif()

# The qemu-user name of each target, and which targets each host runs itself.
set(qemu_x86_64 x86_64)
set(qemu_i686 i386)
set(qemu_aarch64 aarch64)
set(qemu_arm arm)
set(qemu_riscv64 riscv64)
set(qemu_s390x s390x)
set(runs_x86_64 x86_64)
set(runs_aarch64 aarch64)
set(runs_armv7l arm)
set(runs_armv8l arm)  # a 32-bit system on a 64-bit ARM kernel
set(runs_i686 i686)
set(runs_riscv64 riscv64)
set(runs_s390x s390x)
set(host ${CMAKE_HOST_SYSTEM_PROCESSOR})
if(NOT DEFINED qemu_${CMAKE_SYSTEM_PROCESSOR})
  message(FATAL_ERROR "no qemu-user name known for ${CMAKE_SYSTEM_PROCESSOR} (${triple})")
endif()
# The programs run under it are static: the unit tests are linked so that
# they need none of the target's C library.
set(PACKTEXT_QEMU qemu-${qemu_${CMAKE_SYSTEM_PROCESSOR}})
if(NOT CMAKE_SYSTEM_PROCESSOR IN_LIST runs_${host}
   AND NOT (host STREQUAL "x86_64" AND CMAKE_SYSTEM_PROCESSOR STREQUAL "i686"))
  set(CMAKE_CROSSCOMPILING_EMULATOR ${PACKTEXT_QEMU})
endif()
