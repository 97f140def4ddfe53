#pragma once

// Entering the Linux kernel on mips, o32 and n64 alike: number in v0,
// arguments in a0 to a3, `syscall`. The kernel returns a positive errno in v0
// and sets a3 to flag it as one, which is mapped here to -errno; it may change
// at, v1, t0 to t9 (a4 to a7 and t0 to t3 on n64), hi and lo.

namespace linux_sys {

// clang-tidy 19 takes a variable that only an asm statement writes for one
// that could be const.
// NOLINTBEGIN(misc-const-correctness)

// mips keeps the signal numbers of the systems it first ran: SIG_BLOCK is 1,
// SIGXFSZ 31, and a set holds 128 signals.
struct ArchNumbers : GenericNumbers {
  static constexpr Word SigBlock = 1;        // SIG_BLOCK
  static constexpr int SignalFileSize = 31;  // SIGXFSZ
  static constexpr Word KernelSigsetBytes = 16;
};

inline Word Result(Word v0, Word a3) {
  return a3 != 0 ? -v0 : v0;
}

#define PACKTEXT_MIPS_CLOBBERS                                                                \
  "$1", "$3", "$8", "$9", "$10", "$11", "$12", "$13", "$14", "$15", "$24", "$25", "hi", "lo", \
      "memory"

inline Word Call1(Word number, Word a) {
  register Word v0 asm("$2") = number;
  register Word a0 asm("$4") = a;
  register Word a3 asm("$7") = 0;
  asm volatile("syscall" : "+r"(v0), "=r"(a3) : "r"(a0) : PACKTEXT_MIPS_CLOBBERS);
  return Result(v0, a3);
}

inline Word Call3(Word number, Word a, Word b, Word c) {
  register Word v0 asm("$2") = number;
  register Word a0 asm("$4") = a;
  register Word a1 asm("$5") = b;
  register Word a2 asm("$6") = c;
  register Word a3 asm("$7") = 0;
  asm volatile("syscall" : "+r"(v0), "=r"(a3) : "r"(a0), "r"(a1), "r"(a2) : PACKTEXT_MIPS_CLOBBERS);
  return Result(v0, a3);
}

inline Word Call4(Word number, Word a, Word b, Word c, Word d) {
  register Word v0 asm("$2") = number;
  register Word a0 asm("$4") = a;
  register Word a1 asm("$5") = b;
  register Word a2 asm("$6") = c;
  register Word a3 asm("$7") = d;
  asm volatile("syscall" : "+r"(v0), "+r"(a3) : "r"(a0), "r"(a1), "r"(a2) : PACKTEXT_MIPS_CLOBBERS);
  return Result(v0, a3);
}

#undef PACKTEXT_MIPS_CLOBBERS

// NOLINTEND(misc-const-correctness)

}  // namespace linux_sys
