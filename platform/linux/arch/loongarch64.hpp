#pragma once

// Entering the Linux kernel on LoongArch 64: number in a7, arguments in a0 to
// a4, `syscall 0`, result in a0; the kernel may change t0 to t8.

namespace linux_sys {

// The kernel's generic numbers, every one.
struct ArchNumbers : GenericNumbers {};

// clang-tidy 19 takes a variable that only an asm statement writes for one
// that could be const.
// NOLINTBEGIN(misc-const-correctness)

#define PACKTEXT_LOONGARCH_CLOBBERS \
  "$t0", "$t1", "$t2", "$t3", "$t4", "$t5", "$t6", "$t7", "$t8", "memory"

inline Word Call1(Word number, Word a) {
  register Word a7 asm("$a7") = number;
  register Word a0 asm("$a0") = a;
  asm volatile("syscall 0" : "+r"(a0) : "r"(a7) : PACKTEXT_LOONGARCH_CLOBBERS);
  return a0;
}

inline Word Call3(Word number, Word a, Word b, Word c) {
  register Word a7 asm("$a7") = number;
  register Word a0 asm("$a0") = a;
  register Word a1 asm("$a1") = b;
  register Word a2 asm("$a2") = c;
  asm volatile("syscall 0" : "+r"(a0) : "r"(a7), "r"(a1), "r"(a2) : PACKTEXT_LOONGARCH_CLOBBERS);
  return a0;
}

inline Word Call4(Word number, Word a, Word b, Word c, Word d) {
  register Word a7 asm("$a7") = number;
  register Word a0 asm("$a0") = a;
  register Word a1 asm("$a1") = b;
  register Word a2 asm("$a2") = c;
  register Word a3 asm("$a3") = d;
  asm volatile("syscall 0"
               : "+r"(a0)
               : "r"(a7), "r"(a1), "r"(a2), "r"(a3)
               : PACKTEXT_LOONGARCH_CLOBBERS);
  return a0;
}

inline Word Call5(Word number, Word a, Word b, Word c, Word d, Word e) {
  register Word a7 asm("$a7") = number;
  register Word a0 asm("$a0") = a;
  register Word a1 asm("$a1") = b;
  register Word a2 asm("$a2") = c;
  register Word a3 asm("$a3") = d;
  register Word a4 asm("$a4") = e;
  asm volatile("syscall 0"
               : "+r"(a0)
               : "r"(a7), "r"(a1), "r"(a2), "r"(a3), "r"(a4)
               : PACKTEXT_LOONGARCH_CLOBBERS);
  return a0;
}

#undef PACKTEXT_LOONGARCH_CLOBBERS

// NOLINTEND(misc-const-correctness)

}  // namespace linux_sys
