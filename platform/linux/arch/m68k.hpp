#pragma once

// Entering the Linux kernel on m68k: number in d0, arguments in d1 to d5,
// `trap #0`, result in d0.

namespace linux_sys {

// The kernel's generic numbers, every one.
struct ArchNumbers : GenericNumbers {};

// clang-tidy 19 takes a variable that only an asm statement writes for one
// that could be const.
// NOLINTBEGIN(misc-const-correctness)

inline Word Call1(Word number, Word a) {
  register Word d0 asm("d0") = number;
  register Word d1 asm("d1") = a;
  asm volatile("trap #0" : "+r"(d0) : "r"(d1) : "memory");
  return d0;
}

inline Word Call3(Word number, Word a, Word b, Word c) {
  register Word d0 asm("d0") = number;
  register Word d1 asm("d1") = a;
  register Word d2 asm("d2") = b;
  register Word d3 asm("d3") = c;
  asm volatile("trap #0" : "+r"(d0) : "r"(d1), "r"(d2), "r"(d3) : "memory");
  return d0;
}

inline Word Call4(Word number, Word a, Word b, Word c, Word d) {
  register Word d0 asm("d0") = number;
  register Word d1 asm("d1") = a;
  register Word d2 asm("d2") = b;
  register Word d3 asm("d3") = c;
  register Word d4 asm("d4") = d;
  asm volatile("trap #0" : "+r"(d0) : "r"(d1), "r"(d2), "r"(d3), "r"(d4) : "memory");
  return d0;
}

// NOLINTEND(misc-const-correctness)

}  // namespace linux_sys
