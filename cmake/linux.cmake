# Linux programs for the architecture of PACKTEXT_TRIPLE (set by each preset),
# with Debian's compiler for that triple: x86_64-linux-gnu-g++ is the native
# compiler on amd64, the others are its cross compilers (g++-<triple>), all of
# which install side by side. Another compiler may be chosen with
# -DCMAKE_CXX_COMPILER=clang++, which is then pointed at the same triple.
#
# Tests of programs the host cannot run go through qemu-user.
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


# The qemu-user name of each target, and which targets each host runs itself
# (an x86-64 kernel runs i386 programs).
set(qemu_x86_64 x86_64)
set(qemu_i686 i386)
set(qemu_aarch64 aarch64)
set(qemu_arm arm)
set(qemu_riscv64 riscv64)
set(qemu_s390x s390x)
set(runs_x86_64 x86_64 i686)
set(runs_aarch64 aarch64)
set(runs_armv7l arm)
set(runs_armv8l arm)  # a 32-bit system on a 64-bit ARM kernel
set(runs_i686 i686)
set(runs_riscv64 riscv64)
set(runs_s390x s390x)
set(host ${CMAKE_HOST_SYSTEM_PROCESSOR})
if(NOT CMAKE_SYSTEM_PROCESSOR IN_LIST runs_${host})
  # -L: where the unit tests, which are dynamically linked, find the target's
  # C library and loader. The program itself needs neither.
  set(CMAKE_CROSSCOMPILING_EMULATOR qemu-${qemu_${CMAKE_SYSTEM_PROCESSOR}} -L /usr/${triple})
endif()
