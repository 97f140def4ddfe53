#pragma once

// Raw Linux system calls for x86-64 and i386: the only code that knows how to
// enter the kernel. Each returns the kernel's result: a value, or -errno.

#include <cstdint>

namespace linux_sys {

using Word = std::intptr_t;

#if defined(__x86_64__)

inline constexpr Word Write = 1;
inline constexpr Word Poll = 7;
inline constexpr Word RtSigprocmask = 14;
inline constexpr Word ExitGroup = 231;

inline Word Call1(Word number, Word a) {
  Word result = number;
  asm volatile("syscall" : "+a"(result) : "D"(a) : "rcx", "r11", "memory");
  return result;
}

inline Word Call3(Word number, Word a, Word b, Word c) {
  Word result = number;
  asm volatile("syscall" : "+a"(result) : "D"(a), "S"(b), "d"(c) : "rcx", "r11", "memory");
  return result;
}

inline Word Call4(Word number, Word a, Word b, Word c, Word d) {
  Word result = number;
  register Word r10 asm("r10") = d;
  asm volatile("syscall"
               : "+a"(result)
               : "D"(a), "S"(b), "d"(c), "r"(r10)
               : "rcx", "r11", "memory");
  return result;
}

#elif defined(__i386__)

inline constexpr Word Write = 4;
inline constexpr Word Poll = 168;
inline constexpr Word RtSigprocmask = 175;
inline constexpr Word ExitGroup = 252;

inline Word Call1(Word number, Word a) {
  Word result = number;
  asm volatile("int $0x80" : "+a"(result) : "b"(a) : "memory");
  return result;
}

inline Word Call3(Word number, Word a, Word b, Word c) {
  Word result = number;
  asm volatile("int $0x80" : "+a"(result) : "b"(a), "c"(b), "d"(c) : "memory");
  return result;
}

inline Word Call4(Word number, Word a, Word b, Word c, Word d) {
  Word result = number;
  asm volatile("int $0x80" : "+a"(result) : "b"(a), "c"(b), "d"(c), "S"(d) : "memory");
  return result;
}

#else
#error "the Linux stand-in supports x86-64 and i386 only"
#endif

// The kernel's numbers for what the stand-in looks at, the same on both
// architectures. Spelt apart from <cerrno> and <csignal>, whose names are macros.
inline constexpr Word ErrorInterrupted = 4;  // EINTR
inline constexpr Word ErrorAgain = 11;       // EAGAIN
inline constexpr Word SigBlock = 0;          // SIG_BLOCK
inline constexpr int SignalPipe = 13;        // SIGPIPE
inline constexpr int SignalFileSize = 25;    // SIGXFSZ
inline constexpr short PollOut = 4;          // POLLOUT
inline constexpr Word KernelSigsetBytes = 8;

struct PollFd {
  int fd;
  short events;
  short revents;
};

}  // namespace linux_sys
