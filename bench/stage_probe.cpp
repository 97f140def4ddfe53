// A stand-in for packtext's ProgramEntry that times each stage of a run with
// the time-stamp counter, linked with the program's own code in its place:
// the first touch of each page of the tables, the spread, the length, the
// write, and one system call each way into the kernel. It writes the text as
// packtext does, then the counts on standard error, and exits.
//
// Stages, one count each (TSC ticks), in this order:
//   source-page   first read of the source words' page
//   text-page-1   first write to the first page of the text
//   text-page-2   first write to the second page of the text
//   spread        SpreadWords, its pages already present
//   length        TextLength
//   write-file    WriteFile: rt_sigprocmask and the write
//   syscall       one more rt_sigprocmask, as the program enters the kernel
#include "console/console.hpp"
#include "driver/driver.hpp"
#include "platform/kernel32.hpp"
#include "platform/linux/syscall.hpp"

#include <cstdint>

namespace {

std::uint64_t Ticks() {
  std::uint32_t low = 0;
  std::uint32_t high = 0;
  asm volatile("rdtsc" : "=a"(low), "=d"(high));
  return (std::uint64_t{high} << 32) | low;
}

void PutNumber(char*& out, std::uint64_t value) {
  char digits[24];
  int count = 0;
  do {
    digits[count++] = static_cast<char>('0' + value % 10);
    value /= 10;
  } while (value != 0);
  while (count != 0) *out++ = digits[--count];
}

// An empty rt_sigprocmask: blocks nothing, as cheap a call as there is.
void EmptySignalCall() {
  static constexpr linux_sys::SignalSet None{};
  linux_sys::BlockSignals(None);
}

}  // namespace

extern "C" [[gnu::force_align_arg_pointer]] void ProgramEntry() {
  constexpr int Stages = 7;
  std::uint64_t ticks[Stages] = {};
  int stage = 0;
  std::uint64_t before = Ticks();
  const auto mark = [&] {
    const std::uint64_t now = Ticks();
    ticks[stage++] = now - before;
    before = Ticks();
  };
  static_cast<void>(*static_cast<const volatile std::uint32_t*>(&SourceWords[0]));
  mark();
  *static_cast<volatile char*>(&OutputText[0]) = 'A';
  mark();
  *static_cast<volatile char*>(&OutputText[TablePageSize]) = 'A';
  mark();
  SpreadWords();
  mark();
  const DWORD length = TextLength(OutputText);
  mark();
  DWORD written = 0;
  WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), OutputText, length, &written, nullptr);
  mark();
  EmptySignalCall();
  mark();

  char line[Stages * 24];
  char* out = line;
  for (int i = 0; i < Stages; ++i) {
    PutNumber(out, ticks[i]);
    *out++ = i + 1 < Stages ? '\t' : '\n';
  }
  linux_sys::Write(2, line, out - line);
  ExitProcess(0);
}
