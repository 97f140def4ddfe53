#include "console/console.hpp"
#include "driver/driver.hpp"
#include "platform/kernel32.hpp"
#if defined(PACKTEXT_START_HEADER)
#include PACKTEXT_START_HEADER
#endif

// Entered by the loader, not called: on x86 the stack is then not aligned as
// a call leaves it, so the prologue realigns it. Where an ABI wants more
// first (s390x, 64-bit POWER), the row's ProgramStart comes before this.
#if defined(__i386__) || defined(__x86_64__)
[[gnu::force_align_arg_pointer]]
#endif
void ProgramEntry() {
  SpreadWords();
  PrintText(OutputText);
  ExitProcess(0);
}
