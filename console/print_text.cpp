#include "console/console.hpp"

#include "platform/kernel32.hpp"

std::uint32_t PrintText(const char* text) {
  HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
  const DWORD length = TextLength(text);
  // WriteFile stores the count even when it fails; the zero only guards a
  // platform that would not.
  DWORD written = 0;
  WriteFile(output, text, length, &written, nullptr);
  return written;
}
