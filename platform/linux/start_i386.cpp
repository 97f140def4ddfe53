// The i386 program's first code: records the kernel's fast system-call entry
// in the tables (see syscall_i386.cpp), then enters ProgramEntry with the
// stack exactly as the kernel left it. Only code that runs first can find that
// entry: its address is AT_SYSINFO in the auxiliary vector, above the
// environment on the initial stack.

#include "driver/driver.hpp"

#include <cstddef>

#if defined(__i386__)

// The start stores the entry at the tables' first byte.
static_assert(offsetof(PackingTables, SystemCallGate) == 0);

// The initial stack: argc, argv's pointers and a null, the environment's and a
// null, then (type, value) pairs ending with type 0. AT_SYSINFO is type 32.
asm(R"(
        .text
        .globl  ProcessStart
        .type   ProcessStart, @function
ProcessStart:
        mov     (%esp), %eax
        lea     8(%esp,%eax,4), %edx
1:      mov     (%edx), %eax
        add     $4, %edx
        test    %eax, %eax
        jnz     1b
2:      mov     (%edx), %eax
        test    %eax, %eax
        jz      4f
        add     $8, %edx
        cmp     $32, %eax
        jne     2b
        mov     -4(%edx), %eax
        call    3f
3:      pop     %ecx
        add     $_GLOBAL_OFFSET_TABLE_ + (. - 3b), %ecx
        mov     %eax, Tables@GOTOFF(%ecx)
4:      jmp     ProgramEntry
        .size   ProcessStart, . - ProcessStart
)");

#endif
