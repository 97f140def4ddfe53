#pragma once

// Entering the Linux kernel on AArch64: number in x8, arguments in x0 to x4,
// result in x0.

namespace linux_sys {

// The kernel's generic numbers, every one.
struct ArchNumbers : GenericNumbers {};

// clang-tidy 19 takes a variable that only an asm statement writes for one
// that could be const.
// NOLINTBEGIN(misc-const-correctness)

inline Word Call1(Word number, Word a) {
  register Word x8 asm("x8") = number;
  register Word x0 asm("x0") = a;
  asm volatile("svc #0" : "+r"(x0) : "r"(x8) : "memory");
  return x0;
}

inline Word Call3(Word number, Word a, Word b, Word c) {
  register Word x8 asm("x8") = number;
  register Word x0 asm("x0") = a;
  register Word x1 asm("x1") = b;
  register Word x2 asm("x2") = c;
  asm volatile("svc #0" : "+r"(x0) : "r"(x8), "r"(x1), "r"(x2) : "memory");
  return x0;
}

inline Word Call4(Word number, Word a, Word b, Word c, Word d) {
  register Word x8 asm("x8") = number;
  register Word x0 asm("x0") = a;
  register Word x1 asm("x1") = b;
  register Word x2 asm("x2") = c;
  register Word x3 asm("x3") = d;
  asm volatile("svc #0" : "+r"(x0) : "r"(x8), "r"(x1), "r"(x2), "r"(x3) : "memory");
  return x0;
}

inline Word Call5(Word number, Word a, Word b, Word c, Word d, Word e) {
  register Word x8 asm("x8") = number;
  register Word x0 asm("x0") = a;
  register Word x1 asm("x1") = b;
  register Word x2 asm("x2") = c;
  register Word x3 asm("x3") = d;
  register Word x4 asm("x4") = e;
  asm volatile("svc #0" : "+r"(x0) : "r"(x8), "r"(x1), "r"(x2), "r"(x3), "r"(x4) : "memory");
  return x0;
}

// NOLINTEND(misc-const-correctness)

}  // namespace linux_sys
