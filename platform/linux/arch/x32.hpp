#pragma once

// Entering the Linux kernel from an x32 program: as on x86-64, number in rax,
// arguments in rdi, rsi, rdx, r10, and `syscall` overwrites rcx and r11. The
// kernel reads whole 64-bit registers, so each 32-bit argument is
// zero-extended here: a pointer near the 4 GiB stack top would otherwise
// reach it with whatever the compiler left in the upper half.

#include <cstdint>

namespace linux_sys {

// x32's numbers are x86-64's calls with this bit set; <asm/unistd.h> adds it.
static_assert((__NR_write & __X32_SYSCALL_BIT) != 0, "not built for x32");

// The kernel's generic numbers, every one.
struct ArchNumbers : GenericNumbers {};

using Register = std::uint64_t;

constexpr Register Widened(Word value) {
  return static_cast<std::uint32_t>(value);
}

// clang-tidy 19 takes a variable that only an asm statement writes for one
// that could be const.
// NOLINTBEGIN(misc-const-correctness)

inline Word Call1(Word number, Word a) {
  Register result = Widened(number);
  asm volatile("syscall" : "+a"(result) : "D"(Widened(a)) : "rcx", "r11", "memory");
  return static_cast<Word>(result);
}

inline Word Call3(Word number, Word a, Word b, Word c) {
  Register result = Widened(number);
  asm volatile("syscall"
               : "+a"(result)
               : "D"(Widened(a)), "S"(Widened(b)), "d"(Widened(c))
               : "rcx", "r11", "memory");
  return static_cast<Word>(result);
}

inline Word Call4(Word number, Word a, Word b, Word c, Word d) {
  Register result = Widened(number);
  register Register r10 asm("r10") = Widened(d);
  asm volatile("syscall"
               : "+a"(result)
               : "D"(Widened(a)), "S"(Widened(b)), "d"(Widened(c)), "r"(r10)
               : "rcx", "r11", "memory");
  return static_cast<Word>(result);
}

// NOLINTEND(misc-const-correctness)

}  // namespace linux_sys
