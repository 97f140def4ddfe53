#pragma once

// Entering the Linux kernel on 64-bit SPARC: number in g1, arguments in o0 to
// o4, `ta 0x6d`, result in o0. The kernel reports a failure by setting the
// carry flag with a positive errno in o0, which the annulled branch negates,
// running only when taken, so that the caller sees a value or -errno, as on
// the other architectures. The call may change o1, g2 to g6 and the
// condition codes.
//
// Each value is moved into its register inside the asm statement rather than
// bound to it by a register variable: clang 14 at -O0 loads such a variable's
// low 32 bits alone, cutting a pointer to the stack.

namespace linux_sys {

// SPARC keeps the signal numbers of the systems it first ran: SIG_BLOCK is 1.
struct ArchNumbers : GenericNumbers {
  static constexpr Word SigBlock = 1;  // SIG_BLOCK
};

// clang-tidy 19 takes a variable that only an asm statement writes for one
// that could be const.
// NOLINTBEGIN(misc-const-correctness)

#define PACKTEXT_SPARC_CLOBBERS \
  "g1", "o0", "o1", "o2", "o3", "g2", "g3", "g4", "g5", "g6", "cc", "memory"

inline Word Call1(Word number, Word a) {
  Word result = 0;
  asm volatile(
      "mov %1, %%g1\n\t"
      "mov %2, %%o0\n\t"
      "ta 0x6d\n\t"
      "bcs,a,pn %%xcc, 1f\n\t"
      "sub %%g0, %%o0, %%o0\n"
      "1:\tmov %%o0, %0"
      : "=r"(result)
      : "r"(number), "r"(a)
      : PACKTEXT_SPARC_CLOBBERS);
  return result;
}

inline Word Call3(Word number, Word a, Word b, Word c) {
  Word result = 0;
  asm volatile(
      "mov %1, %%g1\n\t"
      "mov %2, %%o0\n\t"
      "mov %3, %%o1\n\t"
      "mov %4, %%o2\n\t"
      "ta 0x6d\n\t"
      "bcs,a,pn %%xcc, 1f\n\t"
      "sub %%g0, %%o0, %%o0\n"
      "1:\tmov %%o0, %0"
      : "=r"(result)
      : "r"(number), "r"(a), "r"(b), "r"(c)
      : PACKTEXT_SPARC_CLOBBERS);
  return result;
}

inline Word Call4(Word number, Word a, Word b, Word c, Word d) {
  Word result = 0;
  asm volatile(
      "mov %1, %%g1\n\t"
      "mov %2, %%o0\n\t"
      "mov %3, %%o1\n\t"
      "mov %4, %%o2\n\t"
      "mov %5, %%o3\n\t"
      "ta 0x6d\n\t"
      "bcs,a,pn %%xcc, 1f\n\t"
      "sub %%g0, %%o0, %%o0\n"
      "1:\tmov %%o0, %0"
      : "=r"(result)
      : "r"(number), "r"(a), "r"(b), "r"(c), "r"(d)
      : PACKTEXT_SPARC_CLOBBERS);
  return result;
}

#undef PACKTEXT_SPARC_CLOBBERS

// NOLINTEND(misc-const-correctness)

}  // namespace linux_sys
