// The Linux stand-in for the three kernel32 operations, over raw system calls.

#include "platform/kernel32.hpp"

#include "platform/linux/syscall.hpp"

#include <cstdint>

namespace {

using linux_sys::Word;

constexpr int StandardOutputFd = 1;

// A write to a pipe with no reader, or past a file-size limit, raises a signal
// whose default action ends the process. Windows has no such signals: there the
// write just fails. Blocking both makes the write fail here too, with EPIPE or
// EFBIG; a signal left pending is discarded when the process exits.
constexpr linux_sys::SignalSet WriteSignals =
    linux_sys::SignalSetOf({linux_sys::SignalPipe, linux_sys::SignalFileSize});

// Waits until `fd` takes more bytes; used when the parent left it non-blocking.
bool AwaitWritable(int fd) {
  linux_sys::PollFd entry{fd, linux_sys::PollOut, 0};
  Word result = 0;
  do {
    result = linux_sys::Poll(&entry, 1);
  } while (result == -linux_sys::ErrorInterrupted);
  return result > 0;
}

}  // namespace

extern "C" {

HANDLE GetStdHandle(DWORD std_handle) {
  if (std_handle != STD_OUTPUT_HANDLE) return INVALID_HANDLE_VALUE;
  return reinterpret_cast<HANDLE>(std::intptr_t{StandardOutputFd});
}

BOOL WriteFile(HANDLE file, const void* buffer, DWORD bytes_to_write, DWORD* bytes_written,
               void* /*overlapped*/) {
  linux_sys::BlockSignals(WriteSignals);
  const auto fd = static_cast<int>(reinterpret_cast<std::intptr_t>(file));
  const auto* bytes = static_cast<const char*>(buffer);
  DWORD done = 0;
  BOOL ok = TRUE;
  // At least one write, even of nothing, so that a bad handle fails here too.
  for (;;) {
    const DWORD left = bytes_to_write - done;
    const Word result = linux_sys::Write(fd, bytes + done, static_cast<Word>(left));
    if (result == -linux_sys::ErrorInterrupted) continue;
    if (result == -linux_sys::ErrorAgain && AwaitWritable(fd)) continue;
    // An error fails the write, and so does more than was asked for: no write
    // returns that, and counting it would go on past the end of the buffer.
    if (result < 0 || static_cast<std::uintptr_t>(result) > left) {
      ok = FALSE;
      break;
    }
    done += static_cast<DWORD>(result);
    if (done == bytes_to_write) break;
    if (result == 0) {
      ok = FALSE;  // A write of nothing would repeat forever.
      break;
    }
  }
  *bytes_written = done;
  return ok;
}

[[noreturn]] void ExitProcess(UINT exit_code) {
  linux_sys::ExitGroup(static_cast<Word>(exit_code));
}
}
