#pragma once

// Entering the Linux kernel on s390x: number in r1 with `svc 0`, arguments in
// r2 to r5, result in r2.

namespace linux_sys {

// The kernel's generic numbers, every one.
struct ArchNumbers : GenericNumbers {};

// clang-tidy 19 takes a variable that only an asm statement writes for one
// that could be const.
// NOLINTBEGIN(misc-const-correctness)

inline Word Call1(Word number, Word a) {
  register Word r1 asm("r1") = number;
  register Word r2 asm("r2") = a;
  asm volatile("svc 0" : "+r"(r2) : "r"(r1) : "memory");
  return r2;
}

inline Word Call3(Word number, Word a, Word b, Word c) {
  register Word r1 asm("r1") = number;
  register Word r2 asm("r2") = a;
  register Word r3 asm("r3") = b;
  register Word r4 asm("r4") = c;
  asm volatile("svc 0" : "+r"(r2) : "r"(r1), "r"(r3), "r"(r4) : "memory");
  return r2;
}

inline Word Call4(Word number, Word a, Word b, Word c, Word d) {
  register Word r1 asm("r1") = number;
  register Word r2 asm("r2") = a;
  register Word r3 asm("r3") = b;
  register Word r4 asm("r4") = c;
  register Word r5 asm("r5") = d;
  asm volatile("svc 0" : "+r"(r2) : "r"(r1), "r"(r3), "r"(r4), "r"(r5) : "memory");
  return r2;
}

// NOLINTEND(misc-const-correctness)

}  // namespace linux_sys
