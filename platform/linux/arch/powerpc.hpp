#pragma once

// Entering the Linux kernel on POWER, 32- and 64-bit: number in r0 with `sc`,
// arguments in r3 to r8, result in r3. The kernel reports a failure by setting
// CR0's summary-overflow bit with a positive errno in r3, which is negated here
// so that the caller sees a value or -errno, as on the other architectures.
// The call may change r0 and r4 to r12, cr0, ctr and xer.

namespace linux_sys {

// The kernel's generic numbers, every one.
struct ArchNumbers : GenericNumbers {};

// clang-tidy 19 takes a variable that only an asm statement writes for one
// that could be const.
// NOLINTBEGIN(misc-const-correctness)

inline Word Call1(Word number, Word a) {
  register Word r0 asm("r0") = number;
  register Word r3 asm("r3") = a;
  asm volatile("sc\n\tbns+ 1f\n\tneg %1, %1\n1:"
               : "+r"(r0), "+r"(r3)
               :
               : "r4", "r5", "r6", "r7", "r8", "r9", "r10", "r11", "r12", "cr0", "ctr", "xer",
                 "memory");
  return r3;
}

inline Word Call3(Word number, Word a, Word b, Word c) {
  register Word r0 asm("r0") = number;
  register Word r3 asm("r3") = a;
  register Word r4 asm("r4") = b;
  register Word r5 asm("r5") = c;
  asm volatile("sc\n\tbns+ 1f\n\tneg %1, %1\n1:"
               : "+r"(r0), "+r"(r3), "+r"(r4), "+r"(r5)
               :
               : "r6", "r7", "r8", "r9", "r10", "r11", "r12", "cr0", "ctr", "xer", "memory");
  return r3;
}

inline Word Call4(Word number, Word a, Word b, Word c, Word d) {
  register Word r0 asm("r0") = number;
  register Word r3 asm("r3") = a;
  register Word r4 asm("r4") = b;
  register Word r5 asm("r5") = c;
  register Word r6 asm("r6") = d;
  asm volatile("sc\n\tbns+ 1f\n\tneg %1, %1\n1:"
               : "+r"(r0), "+r"(r3), "+r"(r4), "+r"(r5), "+r"(r6)
               :
               : "r7", "r8", "r9", "r10", "r11", "r12", "cr0", "ctr", "xer", "memory");
  return r3;
}

// NOLINTEND(misc-const-correctness)

}  // namespace linux_sys
