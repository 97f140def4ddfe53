#pragma once

// Entering the Linux kernel on SuperH: number in r3, arguments in r4 to r7,
// `trapa #0x1N` for a call of N arguments, result in r0, a value or -errno.
// Five no-ops follow the trap, the padding the C library gives it for SH-3
// cores. The call changes the T bit.

namespace linux_sys {

// The kernel's generic numbers, every one.
struct ArchNumbers : GenericNumbers {};

// clang-tidy 19 takes a variable that only an asm statement writes for one
// that could be const.
// NOLINTBEGIN(misc-const-correctness)

inline Word Call1(Word number, Word a) {
  register Word r0 asm("r0");
  register Word r3 asm("r3") = number;
  register Word r4 asm("r4") = a;
  asm volatile("trapa #0x11\n\tor r0, r0\n\tor r0, r0\n\tor r0, r0\n\tor r0, r0\n\tor r0, r0"
               : "=z"(r0)
               : "r"(r3), "r"(r4)
               : "t", "memory");
  return r0;
}

inline Word Call3(Word number, Word a, Word b, Word c) {
  register Word r0 asm("r0");
  register Word r3 asm("r3") = number;
  register Word r4 asm("r4") = a;
  register Word r5 asm("r5") = b;
  register Word r6 asm("r6") = c;
  asm volatile("trapa #0x13\n\tor r0, r0\n\tor r0, r0\n\tor r0, r0\n\tor r0, r0\n\tor r0, r0"
               : "=z"(r0)
               : "r"(r3), "r"(r4), "r"(r5), "r"(r6)
               : "t", "memory");
  return r0;
}

inline Word Call4(Word number, Word a, Word b, Word c, Word d) {
  register Word r0 asm("r0");
  register Word r3 asm("r3") = number;
  register Word r4 asm("r4") = a;
  register Word r5 asm("r5") = b;
  register Word r6 asm("r6") = c;
  register Word r7 asm("r7") = d;
  asm volatile("trapa #0x14\n\tor r0, r0\n\tor r0, r0\n\tor r0, r0\n\tor r0, r0\n\tor r0, r0"
               : "=z"(r0)
               : "r"(r3), "r"(r4), "r"(r5), "r"(r6), "r"(r7)
               : "t", "memory");
  return r0;
}

// NOLINTEND(misc-const-correctness)

}  // namespace linux_sys
