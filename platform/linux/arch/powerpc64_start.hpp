#pragma once

// Where the kernel starts the 64-bit POWER (ELFv2) program: ProgramStart, a
// few instructions ahead of ProgramEntry. The kernel leaves r1 pointing at
// argc, then argv, envp and the auxiliary vector, with no frame of a caller,
// but a function saves its return address at 16(r1), in its caller's frame.
// ProgramStart finds the TOC pointer (r2) from its own address, which it
// takes from the link register rather than trust r12, allocates a minimal
// 32-byte frame with a zero back chain, keeping r1 16-byte aligned, and calls
// ProgramEntry, which never returns; it reads nothing from the stack.
//
// Included only where ProgramEntry is defined: the unit tests link the rest
// without it. The call is a use the compiler cannot see, hence `used`, which
// keeps ProgramEntry, and global, through link-time optimisation.

extern "C" [[noreturn, gnu::used]] void ProgramEntry();

asm(R"(
	.pushsection .text.ProgramStart, "ax", @progbits
	.globl ProgramStart
	.type ProgramStart, @function
	.balign 16
ProgramStart:
	bcl 20, 31, 1f
1:	mflr 2
	addis 2, 2, .TOC.-1b@ha
	addi 2, 2, .TOC.-1b@l
	li 0, 0
	stdu 0, -32(1)
	bl ProgramEntry
	nop
	.size ProgramStart, . - ProgramStart
	.popsection
)");
