#pragma once

// The kernel enters the program here with %r15 at argc, where ProgramEntry
// would save registers. ProgramStart reserves the 160-byte save area that a
// caller leaves, clears the back chain and branches to ProgramEntry.

// Declared again for `used`: the branch is one link-time optimisation cannot see.
// NOLINTNEXTLINE(readability-redundant-declaration)
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
