#pragma once

// Raw Linux system calls: the only code that knows how to enter the kernel.
// Each call returns the kernel's result: a value, or -errno. How the kernel is
// entered differs by architecture, one small file each; the calls the
// stand-in makes are named below, with the kernel's own numbers from
// <asm/unistd.h>.

#include <asm/unistd.h>

#include <cstdint>
#include <initializer_list>

namespace linux_sys {

using Word = std::intptr_t;

// The kernel's numbers for what the stand-in looks at, as its asm-generic
// headers have them. An architecture's file derives ArchNumbers from these,
// redefining each one its own headers number otherwise (mips' signals,
// alpha's EAGAIN). Spelt apart from <cerrno> and <csignal>, whose names are
// macros, and held to the kernel's headers by kernel_numbers.cpp.
struct GenericNumbers {
  static constexpr Word ErrorInterrupted = 4;   // EINTR
  static constexpr Word ErrorAgain = 11;        // EAGAIN
  static constexpr short PollOut = 4;           // POLLOUT
  static constexpr Word SigBlock = 0;           // SIG_BLOCK
  static constexpr int SignalPipe = 13;         // SIGPIPE
  static constexpr int SignalFileSize = 25;     // SIGXFSZ
  static constexpr Word KernelSigsetBytes = 8;  // 64 signals, as rt_sigprocmask takes them
};

struct PollFd {
  int fd;
  short events;
  short revents;
};

}  // namespace linux_sys

// The architecture's own file, which its row in targets.txt names.
#include PACKTEXT_ARCH_HEADER

namespace linux_sys {

inline constexpr Word ErrorInterrupted = ArchNumbers::ErrorInterrupted;
inline constexpr Word ErrorAgain = ArchNumbers::ErrorAgain;
inline constexpr short PollOut = ArchNumbers::PollOut;
inline constexpr Word SigBlock = ArchNumbers::SigBlock;
inline constexpr int SignalPipe = ArchNumbers::SignalPipe;
inline constexpr int SignalFileSize = ArchNumbers::SignalFileSize;
inline constexpr Word KernelSigsetBytes = ArchNumbers::KernelSigsetBytes;

inline Word Write(int fd, const void* bytes, Word count) {
  return Call3(__NR_write, fd, reinterpret_cast<Word>(bytes), count);
}

// A signal set as the kernel takes it: longs, signal n at bit n - 1. A plain
// array, as the standard library's functions keep default visibility and
// would be called through the GOT at -O0.
struct SignalSet {
  std::uintptr_t words[KernelSigsetBytes / sizeof(std::uintptr_t)];
};

consteval SignalSet SignalSetOf(std::initializer_list<int> signals) {
  constexpr int bits = sizeof(std::uintptr_t) * 8;
  SignalSet set{};
  for (const int signal : signals) {
    set.words[(signal - 1) / bits] |= std::uintptr_t{1} << ((signal - 1) % bits);
  }
  return set;
}

// Adds the signals of `set` to those blocked.
inline Word BlockSignals(const SignalSet& set) {
  return Call4(__NR_rt_sigprocmask, SigBlock, reinterpret_cast<Word>(set.words), 0, sizeof set);
}

// Ends every thread of the process.
[[noreturn]] inline void ExitGroup(Word status) {
  for (;;) Call1(__NR_exit_group, status);
}

// Waits, as long as it takes, until one of `count` entries is ready: with
// poll where the architecture has it, since a 32-bit architecture's ppoll
// takes a 32-bit time, which a kernel built without 32-bit time calls lacks;
// elsewhere with ppoll, whose time is 64-bit there, and no signal mask.
inline Word Poll(PollFd* entries, Word count) {
#if defined(__NR_poll)
  return Call3(__NR_poll, reinterpret_cast<Word>(entries), count, -1);
#else
  return Call5(__NR_ppoll, reinterpret_cast<Word>(entries), count, 0, 0, 0);
#endif
}

}  // namespace linux_sys
