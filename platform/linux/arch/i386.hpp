#pragma once

// Entering the Linux kernel on i386: number in eax, arguments in ebx, ecx,
// edx, esi; `int $0x80` preserves every other register.

namespace linux_sys {

// The kernel's generic numbers, every one.
struct ArchNumbers : GenericNumbers {};

// clang-tidy 19 takes a variable that only an asm statement writes for one
// that could be const.
// NOLINTBEGIN(misc-const-correctness)

inline Word Call1(Word number, Word a) {
  Word result = number;
  asm volatile("int $0x80" : "+a"(result) : "b"(a) : "memory");
  return result;
}

inline Word Call3(Word number, Word a, Word b, Word c) {
  Word result = number;
  asm volatile("int $0x80" : "+a"(result) : "b"(a), "c"(b), "d"(c) : "memory");
  return result;
}

inline Word Call4(Word number, Word a, Word b, Word c, Word d) {
  Word result = number;
  asm volatile("int $0x80" : "+a"(result) : "b"(a), "c"(b), "d"(c), "S"(d) : "memory");
  return result;
}

// NOLINTEND(misc-const-correctness)

}  // namespace linux_sys
