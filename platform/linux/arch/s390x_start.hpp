#pragma once

// Where the kernel starts the s390x program: ProgramStart, a few instructions
// ahead of ProgramEntry. The kernel leaves %r15 pointing at argc, then argv,
// envp and the auxiliary vector, but a function may save registers into the
// 160 bytes at %r15, which the ABI has its caller reserve. ProgramStart
// reserves them, clears the back chain and branches to ProgramEntry, which
// never returns; it reads nothing from the stack.
//
// Included only where ProgramEntry is defined: the unit tests link the rest
// without it. The branch is a use the compiler cannot see, hence `used`, which
// keeps ProgramEntry, and global, through link-time optimisation.

extern "C" [[noreturn, gnu::used]] void ProgramEntry();

asm(R"(
	.pushsection .text.ProgramStart, "ax", @progbits
	.globl ProgramStart
	.type ProgramStart, @function
	.balign 8
ProgramStart:
	aghi %r15, -160
	lghi %r0, 0
	stg %r0, 0(%r15)
	jg ProgramEntry
	.size ProgramStart, . - ProgramStart
	.popsection
)");
