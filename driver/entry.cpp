#include "console/console.hpp"
#include "driver/driver.hpp"
#include "platform/kernel32.hpp"
#if defined(PACKTEXT_START_HEADER)
#include PACKTEXT_START_HEADER
#endif

// Entered by the loader, not called: Linux on x86 and 32-bit Windows leave the
// stack aligned otherwise than a call would, so the prologue realigns it;
// 64-bit Windows calls the entry as a function. Where an ABI wants more first
// (s390x, 64-bit POWER), the row's ProgramStart comes before this.
#if defined(__i386__) || (defined(__x86_64__) && !defined(_WIN64))
[[gnu::force_align_arg_pointer]]
#endif
void ProgramEntry() {
  SpreadWords();
  PrintText(OutputText);
  ExitProcess(0);
}
