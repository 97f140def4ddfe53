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
  # Position-independent with no dynamic loader: static-pie with nothing to
  # relocate, so the kernel can start it as it is.
  set(PACKTEXT_PROGRAM_LINK_FLAGS
      -static-pie -nostdlib -nostartfiles
      -Wl,--entry=ProgramEntry
      -Wl,--gc-sections
      -Wl,-z,noexecstack
      -Wl,-z,noseparate-code
      -s)
  set(PACKTEXT_PROGRAM_LIBRARIES)
endif()
