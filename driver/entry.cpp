#include "console/console.hpp"
#include "driver/driver.hpp"
#include "platform/kernel32.hpp"

// Entered by the loader, not called: the stack is not aligned as a call
// leaves it (16-byte aligned with no return address on x86-64 Linux, 4-byte
// on Windows), so the prologue realigns it before any code relies on it.
[[gnu::force_align_arg_pointer]] void ProgramEntry() {
  SpreadWords();
  PrintText(OutputText);
  ExitProcess(0);
}
