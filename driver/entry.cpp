#include "console/console.hpp"
#include "driver/driver.hpp"
#include "platform/kernel32.hpp"
#if defined(PACKTEXT_START_HEADER)
#include PACKTEXT_START_HEADER
#endif

// Entered by the loader, not called. On x86 the stack is then not aligned as a
// call leaves it (16-byte aligned with no return address on x86-64 Linux,
// 4-byte on 32-bit Windows), so the prologue realigns it before any code relies
// on it. The other architectures' kernels hand over a stack aligned as their
// calling conventions require; on s390x, ProgramStart comes first and reserves
// the register save area that a caller leaves.
#if defined(__i386__) || defined(__x86_64__)
[[gnu::force_align_arg_pointer]]
#endif
void ProgramEntry() {
  SpreadWords();
  PrintText(OutputText);
  ExitProcess(0);
}
