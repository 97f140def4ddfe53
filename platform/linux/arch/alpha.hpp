#pragma once

// Entering the Linux kernel on alpha: number in v0 ($0), arguments in a0 to
// a5 ($16 to $21), `callsys`. The kernel returns a positive errno in v0 and
// sets a3 ($19) to flag it as one, which is mapped here to -errno; it may
// change the temporaries ($1 to $8, $22 to $25), pv ($27), at ($28) and the
// argument registers.

namespace linux_sys {

// clang-tidy 19 takes a variable that only an asm statement writes for one
// that could be const.
// NOLINTBEGIN(misc-const-correctness)

// alpha keeps OSF/1's numbers: EAGAIN is 35 and SIG_BLOCK 1.
struct ArchNumbers : GenericNumbers {
  static constexpr Word ErrorAgain = 35;  // EAGAIN
  static constexpr Word SigBlock = 1;     // SIG_BLOCK
};

inline Word Result(Word v0, Word a3) {
  return a3 != 0 ? -v0 : v0;
}

#define PACKTEXT_ALPHA_CLOBBERS                                                                    \
  "$1", "$2", "$3", "$4", "$5", "$6", "$7", "$8", "$20", "$21", "$22", "$23", "$24", "$25", "$27", \
      "$28", "memory"

inline Word Call1(Word number, Word a) {
  register Word v0 asm("$0") = number;
  register Word a0 asm("$16") = a;
  register Word a3 asm("$19") = 0;
  asm volatile("callsys" : "+r"(v0), "+r"(a0), "=r"(a3) : : "$17", "$18", PACKTEXT_ALPHA_CLOBBERS);
  return Result(v0, a3);
}

inline Word Call3(Word number, Word a, Word b, Word c) {
  register Word v0 asm("$0") = number;
  register Word a0 asm("$16") = a;
  register Word a1 asm("$17") = b;
  register Word a2 asm("$18") = c;
  register Word a3 asm("$19") = 0;
  asm volatile("callsys"
               : "+r"(v0), "+r"(a0), "+r"(a1), "+r"(a2), "=r"(a3)
               :
               : PACKTEXT_ALPHA_CLOBBERS);
  return Result(v0, a3);
}

inline Word Call4(Word number, Word a, Word b, Word c, Word d) {
  register Word v0 asm("$0") = number;
  register Word a0 asm("$16") = a;
  register Word a1 asm("$17") = b;
  register Word a2 asm("$18") = c;
  register Word a3 asm("$19") = d;
  asm volatile("callsys"
               : "+r"(v0), "+r"(a0), "+r"(a1), "+r"(a2), "+r"(a3)
               :
               : PACKTEXT_ALPHA_CLOBBERS);
  return Result(v0, a3);
}

#undef PACKTEXT_ALPHA_CLOBBERS

// NOLINTEND(misc-const-correctness)

}  // namespace linux_sys
