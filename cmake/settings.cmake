# Compile and link settings shared by the project's own targets.

# Our own code is held to every warning; third-party code (GoogleTest) is not.
function(packtext_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wconversion -Werror)
endfunction()

# Code that goes into the program: no exceptions, no unwind tables, no stack
# protector or probes, nothing that needs a runtime behind it. The same
# objects also link into the unit tests, which have a normal runtime.
set(PACKTEXT_FREESTANDING_FLAGS
    -fno-exceptions
    -fno-rtti
    -fno-asynchronous-unwind-tables
    -fno-unwind-tables
    -fno-stack-protector
    -fno-stack-clash-protection
    -fcf-protection=none)

# Linking the program: no C runtime, start-up files or default libraries; the
# loader enters ProgramEntry itself.
if(WIN32)
  # i686 C symbols carry a leading underscore.
  set(PACKTEXT_PROGRAM_LINK_FLAGS
      -nostdlib -nostartfiles
      -Wl,--entry=_ProgramEntry
      -Wl,--subsystem,console
      -Wl,--gc-sections
      -Wl,--dynamicbase -Wl,--nxcompat
      -Wl,--no-insert-timestamp
      -s)
  set(PACKTEXT_PROGRAM_LIBRARIES kernel32)
else()
  # Position-independent and static, with no dynamic loader, so the kernel can
  # start it as it is. Spelt as linker options rather than -static-pie, which
  # some of Debian's cross compilers (arm, riscv64) ignore, writing an
  # interpreter into the program. -z text refuses code that would need a
  # relocation; the check after the link refuses any other.
  set(PACKTEXT_PROGRAM_LINK_FLAGS
      -nostdlib -nostartfiles
      -pie -Wl,-static,--no-dynamic-linker,-z,text
      -Wl,--entry=ProgramEntry
      -Wl,--gc-sections
      -Wl,-z,noexecstack
      -Wl,-z,noseparate-code
      -s)
  # The compiler's own support routines (libgcc, no C library): a core without
  # a byte-swap instruction, such as base RISC-V, calls one there.
  set(PACKTEXT_PROGRAM_LIBRARIES gcc)
endif()
