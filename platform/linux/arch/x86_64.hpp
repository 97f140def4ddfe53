#pragma once

// Entering the Linux kernel on x86-64: number in rax, arguments in rdi, rsi,
// rdx, r10; `syscall` overwrites rcx and r11.

namespace linux_sys {

// The kernel's generic numbers, every one.
struct ArchNumbers : GenericNumbers {};

// clang-tidy 19 takes a variable that only an asm statement writes for one
// that could be const.
// NOLINTBEGIN(misc-const-correctness)

inline Word Call1(Word number, Word a) {
  Word result = number;
  asm volatile("syscall" : "+a"(result) : "D"(a) : "rcx", "r11", "memory");
  return result;
}

inline Word Call3(Word number, Word a, Word b, Word c) {
  Word result = number;
  asm volatile("syscall" : "+a"(result) : "D"(a), "S"(b), "d"(c) : "rcx", "r11", "memory");
  return result;
}

inline Word Call4(Word number, Word a, Word b, Word c, Word d) {
  Word result = number;
  register Word r10 asm("r10") = d;
  asm volatile("syscall"
               : "+a"(result)
               : "D"(a), "S"(b), "d"(c), "r"(r10)
               : "rcx", "r11", "memory");
  return result;
}

// NOLINTEND(misc-const-correctness)

}  // namespace linux_sys
