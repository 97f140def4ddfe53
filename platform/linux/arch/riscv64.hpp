#pragma once

// Entering the Linux kernel on RISC-V 64: number in a7, arguments in a0 to a4,
// result in a0.

namespace linux_sys {

// The kernel's generic numbers, every one.
struct ArchNumbers : GenericNumbers {};

// clang-tidy 19 takes a variable that only an asm statement writes for one
// that could be const.
// NOLINTBEGIN(misc-const-correctness)

inline Word Call1(Word number, Word a) {
  register Word a7 asm("a7") = number;
  register Word a0 asm("a0") = a;
  asm volatile("ecall" : "+r"(a0) : "r"(a7) : "memory");
  return a0;
}

inline Word Call3(Word number, Word a, Word b, Word c) {
  register Word a7 asm("a7") = number;
  register Word a0 asm("a0") = a;
  register Word a1 asm("a1") = b;
  register Word a2 asm("a2") = c;
  asm volatile("ecall" : "+r"(a0) : "r"(a7), "r"(a1), "r"(a2) : "memory");
  return a0;
}

inline Word Call4(Word number, Word a, Word b, Word c, Word d) {
  register Word a7 asm("a7") = number;
  register Word a0 asm("a0") = a;
  register Word a1 asm("a1") = b;
  register Word a2 asm("a2") = c;
  register Word a3 asm("a3") = d;
  asm volatile("ecall" : "+r"(a0) : "r"(a7), "r"(a1), "r"(a2), "r"(a3) : "memory");
  return a0;
}

inline Word Call5(Word number, Word a, Word b, Word c, Word d, Word e) {
  register Word a7 asm("a7") = number;
  register Word a0 asm("a0") = a;
  register Word a1 asm("a1") = b;
  register Word a2 asm("a2") = c;
  register Word a3 asm("a3") = d;
  register Word a4 asm("a4") = e;
  asm volatile("ecall" : "+r"(a0) : "r"(a7), "r"(a1), "r"(a2), "r"(a3), "r"(a4) : "memory");
  return a0;
}

// NOLINTEND(misc-const-correctness)

}  // namespace linux_sys
