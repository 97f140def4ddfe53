// The slow way into the kernel on i386, for when there is no faster one.
//
// `int $0x80` reaches the kernel on every i386 system, but it is an interrupt,
// and under some hypervisors each one costs several microseconds. The kernel
// also maps its own entry routine into every process (the vDSO's
// __kernel_vsyscall, which uses sysenter where the CPU has it), and the
// program's start records where (start_i386.cpp). A kernel without the vDSO,
// or a process that did not begin at that start, such as the unit tests,
// leaves it unrecorded, and system calls come here.

#if defined(__i386__)

asm(R"(
        .text
        .globl  LinuxInterruptSystemCall
        .type   LinuxInterruptSystemCall, @function
LinuxInterruptSystemCall:
        int     $0x80
        ret
        .size   LinuxInterruptSystemCall, . - LinuxInterruptSystemCall
)");

#endif
