#pragma once

// Entering the Linux kernel on 32-bit ARM (EABI): number in r7, arguments in
// r0 to r3, result in r0. In Thumb code r7 may be the frame pointer, which
// cannot be named as an operand, so the number comes in any register and r7 is
// saved around the call instead.

namespace linux_sys {

// The kernel's generic numbers, every one.
struct ArchNumbers : GenericNumbers {};

// clang-tidy 19 takes a variable that only an asm statement writes for one
// that could be const.
// NOLINTBEGIN(misc-const-correctness)

inline Word Call1(Word number, Word a) {
  register Word r0 asm("r0") = a;
  asm volatile("push {r7}\n\tmov r7, %[number]\n\tsvc #0\n\tpop {r7}"
               : "+r"(r0)
               : [number] "r"(number)
               : "memory");
  return r0;
}

inline Word Call3(Word number, Word a, Word b, Word c) {
  register Word r0 asm("r0") = a;
  register Word r1 asm("r1") = b;
  register Word r2 asm("r2") = c;
  asm volatile("push {r7}\n\tmov r7, %[number]\n\tsvc #0\n\tpop {r7}"
               : "+r"(r0)
               : [number] "r"(number), "r"(r1), "r"(r2)
               : "memory");
  return r0;
}

inline Word Call4(Word number, Word a, Word b, Word c, Word d) {
  register Word r0 asm("r0") = a;
  register Word r1 asm("r1") = b;
  register Word r2 asm("r2") = c;
  register Word r3 asm("r3") = d;
  asm volatile("push {r7}\n\tmov r7, %[number]\n\tsvc #0\n\tpop {r7}"
               : "+r"(r0)
               : [number] "r"(number), "r"(r1), "r"(r2), "r"(r3)
               : "memory");
  return r0;
}

// NOLINTEND(misc-const-correctness)

}  // namespace linux_sys
