#pragma once

// Entering the Linux kernel on i386: number in eax, arguments in ebx, ecx,
// edx, esi. Through the vDSO's entry if the program's start recorded one,
// else `int $0x80` (syscall_i386.cpp); either keeps every other register.

#include "driver/driver.hpp"  // The tables hold the vDSO entry's address.

// `int $0x80` then return.
extern "C" void LinuxInterruptSystemCall();

namespace linux_sys {

inline void* SystemCallEntry() {
  void* gate = Tables.SystemCallGate;
  return gate != nullptr ? gate : reinterpret_cast<void*>(&LinuxInterruptSystemCall);
}

inline Word Call1(Word number, Word a) {
  Word result = number;
  asm volatile("call *%[entry]" : "+a"(result) : [entry] "r"(SystemCallEntry()), "b"(a) : "memory");
  return result;
}

inline Word Call3(Word number, Word a, Word b, Word c) {
  Word result = number;
  asm volatile("call *%[entry]"
               : "+a"(result)
               : [entry] "r"(SystemCallEntry()), "b"(a), "c"(b), "d"(c)
               : "memory");
  return result;
}

inline Word Call4(Word number, Word a, Word b, Word c, Word d) {
  Word result = number;
  asm volatile("call *%[entry]"
               : "+a"(result)
               : [entry] "r"(SystemCallEntry()), "b"(a), "c"(b), "d"(c), "S"(d)
               : "memory");
  return result;
}

}  // namespace linux_sys
