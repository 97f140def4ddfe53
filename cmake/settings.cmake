# Compile and link settings shared by the project's own targets.

# Our own code is held to every warning; third-party code (GoogleTest) is not.
function(packtext_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wconversion -Werror)
endfunction()

# Code that goes into the program: no exceptions, no unwind tables (but for
# 64-bit Windows, below), no stack protector or probes, nothing that needs a
# runtime behind it. The same objects also link into the unit tests, which
# have a normal runtime.
set(PACKTEXT_FREESTANDING_FLAGS
    -fno-exceptions
    -fno-rtti
    -fno-asynchronous-unwind-tables
    -fno-unwind-tables
    -fno-stack-protector
    -fcf-protection=none)
# Stack-clash probes exist only where the compiler has them for the target
# (clang: x86, s390x, POWER); elsewhere there are none to turn off, and clang
# warns that the flag is unused, which only -Werror makes a failure.
include(CheckCXXCompilerFlag)
set(CMAKE_REQUIRED_FLAGS -Werror)
check_cxx_compiler_flag(-fno-stack-clash-protection PACKTEXT_HAS_STACK_CLASH_PROTECTION)
unset(CMAKE_REQUIRED_FLAGS)
if(PACKTEXT_HAS_STACK_CLASH_PROTECTION)
  list(APPEND PACKTEXT_FREESTANDING_FLAGS -fno-stack-clash-protection)
endif()
if(NOT WIN32)
  # Hidden, so that every call and reference within the program resolves to a
  # fixed offset at link time, never through a GOT slot that no loader fills:
  # GCC calls the inline system-call helpers through one at -O0 otherwise.
  list(APPEND PACKTEXT_FREESTANDING_FLAGS -fvisibility=hidden)
endif()

# Linking the program: no C runtime, start-up files or default libraries; the
# loader enters the row's entry itself: ProgramEntry, or a few instructions
# that an ABI wants ahead of it.
if(WIN32)
  # The header as Microsoft's linker writes it: relocatable, non-executable
  # data, terminal-server aware, and its subsystem and OS version: 6.0 for
  # x86 and x86-64, 6.2 for ARM, the oldest it accepts there, since Windows 8
  # (6.2) was the first Windows for ARM processors.
  # A 32-bit program declares it has no exception handlers (NO_SEH); a
  # 64-bit one asks for addresses from the whole 64-bit space.
  set(minor 0)
  if(CMAKE_SYSTEM_PROCESSOR STREQUAL "aarch64")
    set(minor 2)
  endif()
  set(PACKTEXT_PROGRAM_LINK_FLAGS
      -nostdlib -nostartfiles
      -Wl,--subsystem,console
      -Wl,--major-subsystem-version,6 -Wl,--minor-subsystem-version,${minor}
      -Wl,--major-os-version,6 -Wl,--minor-os-version,${minor}
      -Wl,--gc-sections
      -Wl,--dynamicbase -Wl,--nxcompat -Wl,--tsaware
      -Wl,--no-insert-timestamp)
  list(APPEND PACKTEXT_PROGRAM_LINK_FLAGS -Wl,--entry=${target_entry})
  # Data auto-imported from a DLL at an address a loader cannot fill in needs
  # a runtime pseudo-relocation, which only a C runtime applies: lld then
  # refuses the link. (GNU ld's map shows its list, which the build's check
  # refuses; the same option there moves its sections.)
  if(CMAKE_EXE_LINKER_FLAGS MATCHES "-fuse-ld=lld")
    list(APPEND PACKTEXT_PROGRAM_LINK_FLAGS -Wl,--disable-runtime-pseudo-reloc)
  endif()
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    list(APPEND PACKTEXT_PROGRAM_LINK_FLAGS -Wl,--no-seh)
  else()
    list(APPEND PACKTEXT_PROGRAM_LINK_FLAGS -Wl,--high-entropy-va)
    # 64-bit Windows finds a function's frame only through its unwind table
    # entry (.pdata, .xdata), and takes a function without one for a leaf, so
    # debuggers and crash dumps would lose the callers. The tables are data
    # alone: with -fno-exceptions they name no handler and need no runtime.
    list(REMOVE_ITEM PACKTEXT_FREESTANDING_FLAGS
         -fno-asynchronous-unwind-tables -fno-unwind-tables)
    list(APPEND PACKTEXT_FREESTANDING_FLAGS -fasynchronous-unwind-tables)
  endif()
  if(CMAKE_SYSTEM_PROCESSOR STREQUAL "aarch64")
    # Windows on ARM64 wants a frame record ({x29, x30}) in each frame, which
    # ETW's and debuggers' fast stack walks follow. Kept in leaf functions too,
    # whose prologue then stores it: each function has its unwind entry.
    list(APPEND PACKTEXT_FREESTANDING_FLAGS -fno-omit-frame-pointer -mno-omit-leaf-frame-pointer)
  endif()
  # The link map: where the stripped program's functions are, for the test of
  # the 64-bit program's unwind entries and for anyone reading a crash address.
  set(PACKTEXT_PROGRAM_MAP ${PROJECT_BINARY_DIR}/packtext.map)
  list(APPEND PACKTEXT_PROGRAM_LINK_FLAGS -Wl,-Map=${PACKTEXT_PROGRAM_MAP})
  set(PACKTEXT_PROGRAM_LIBRARIES kernel32)
  if(PACKTEXT_DLLTOOL)
    # No import library comes with the toolchain (Windows on ARM64): made here.
    set(def ${PROJECT_SOURCE_DIR}/platform/kernel32.def)
    set(PACKTEXT_PROGRAM_LIBRARIES ${PROJECT_BINARY_DIR}/libkernel32.a)
    execute_process(COMMAND ${PACKTEXT_DLLTOOL} -d ${def} -l ${PACKTEXT_PROGRAM_LIBRARIES}
                    COMMAND_ERROR_IS_FATAL ANY)
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${def})
  endif()
else()
  set(PACKTEXT_PROGRAM_LINK_FLAGS
      -nostdlib -nostartfiles
      -Wl,--entry=${target_entry}
      -Wl,--gc-sections
      -Wl,-z,noexecstack
      -Wl,-z,norelro # no loader here would make a RELRO segment read-only
      -Wl,-z,noseparate-code)
  if(target_address STREQUAL "pie")
    # Position-independent and static, with no dynamic loader, so the kernel
    # can start it as it is. Spelt as linker options rather than -static-pie,
    # which some of Debian's cross compilers (arm, riscv64) ignore, writing an
    # interpreter into the program. -z text refuses code that would need a
    # relocation; the check after the link refuses any other.
    list(APPEND PACKTEXT_PROGRAM_LINK_FLAGS -pie -Wl,-static,--no-dynamic-linker,-z,text)
  else()
    # At its link address, where static-pie leaves relocations that only a
    # loader would apply: mips' GOT, which position-independent code there
    # needs (and it sets $gp from $t9, zero at entry: the row's -mno-abicalls
    # leaves out the GOT, -G0 the small-data area addressed through $gp);
    # POWER's function descriptors (.opd) and 32-bit GOT (.got2), m68k's GOT,
    # the R_SPARC_NONE sparc64's GNU ld leaves. The unit tests,
    # position-independent, link a core of their own.
    set(PACKTEXT_FIXED_ADDRESS_FLAGS -fno-pic ${target_address_flags})
    list(APPEND PACKTEXT_PROGRAM_LINK_FLAGS -no-pie -Wl,-static)
  endif()
  # The compiler's own support routines (libgcc, no C library): a core without
  # a byte-swap instruction, such as base RISC-V, calls one there.
  set(PACKTEXT_PROGRAM_LIBRARIES gcc)
endif()
# Linked stripped, so that every package carries the same bytes; debian/rules
# keeps the symbol table for DEB_BUILD_OPTIONS=nostrip.
option(PACKTEXT_STRIP "Link the program without its symbol table" ON)
if(PACKTEXT_STRIP)
  list(APPEND PACKTEXT_PROGRAM_LINK_FLAGS -s)
endif()
