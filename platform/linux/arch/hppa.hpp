#pragma once

// Entering the Linux kernel on PA-RISC: number in r20, arguments in r26, r25,
// r24 and r23, a branch to the kernel's gateway page (`ble 0x100(%sr2, %r0)`),
// which returns to r31; result in r28, a value or -errno. The call may change
// r1, r2, r20 to r26, r29 and r31. r19, the PIC register of a
// position-independent build, is kept in r4 across it, as the C library does.

namespace linux_sys {

// PA-RISC numbers SIGXFSZ as HP-UX did.
struct ArchNumbers : GenericNumbers {
  static constexpr int SignalFileSize = 30;  // SIGXFSZ
};

// clang-tidy 19 takes a variable that only an asm statement writes for one
// that could be const.
// NOLINTBEGIN(misc-const-correctness)

#define PACKTEXT_HPPA_CLOBBERS "r1", "r2", "r4", "r21", "r22", "r29", "r31", "memory"

inline Word Call1(Word number, Word a) {
  register Word r20 asm("r20") = number;
  register Word r26 asm("r26") = a;
  register Word r28 asm("r28");
  asm volatile("copy %%r19, %%r4\n\tble 0x100(%%sr2, %%r0)\n\tnop\n\tcopy %%r4, %%r19"
               : "=r"(r28), "+r"(r20), "+r"(r26)
               :
               : "r23", "r24", "r25", PACKTEXT_HPPA_CLOBBERS);
  return r28;
}

inline Word Call3(Word number, Word a, Word b, Word c) {
  register Word r20 asm("r20") = number;
  register Word r26 asm("r26") = a;
  register Word r25 asm("r25") = b;
  register Word r24 asm("r24") = c;
  register Word r28 asm("r28");
  asm volatile("copy %%r19, %%r4\n\tble 0x100(%%sr2, %%r0)\n\tnop\n\tcopy %%r4, %%r19"
               : "=r"(r28), "+r"(r20), "+r"(r26), "+r"(r25), "+r"(r24)
               :
               : "r23", PACKTEXT_HPPA_CLOBBERS);
  return r28;
}

inline Word Call4(Word number, Word a, Word b, Word c, Word d) {
  register Word r20 asm("r20") = number;
  register Word r26 asm("r26") = a;
  register Word r25 asm("r25") = b;
  register Word r24 asm("r24") = c;
  register Word r23 asm("r23") = d;
  register Word r28 asm("r28");
  asm volatile("copy %%r19, %%r4\n\tble 0x100(%%sr2, %%r0)\n\tnop\n\tcopy %%r4, %%r19"
               : "=r"(r28), "+r"(r20), "+r"(r26), "+r"(r25), "+r"(r24), "+r"(r23)
               :
               : PACKTEXT_HPPA_CLOBBERS);
  return r28;
}

#undef PACKTEXT_HPPA_CLOBBERS

// NOLINTEND(misc-const-correctness)

}  // namespace linux_sys
