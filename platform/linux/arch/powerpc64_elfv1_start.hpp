#pragma once

// Big-endian 64-bit POWER (ELFv1): the program's entry is a function
// descriptor, from which the kernel loads the code's address and the TOC
// pointer (r2). Its code finds r1 at argc and no caller's frame, in which
// ProgramEntry would save its return address and parameters, and calls it
// from a 112-byte frame, the least the ABI allows, with a zero back chain.

// Declared again for `used`: the call is one link-time optimisation cannot see.
// NOLINTNEXTLINE(readability-redundant-declaration)
extern "C" [[noreturn, gnu::used]] void ProgramEntry();

asm(R"(
	.pushsection .opd, "aw", @progbits
	.balign 8
	.globl ProgramStart
	.type ProgramStart, @function
ProgramStart:
	.quad .L.ProgramStart, .TOC.@tocbase, 0
	.popsection
	.pushsection .text.ProgramStart, "ax", @progbits
	.balign 16
.L.ProgramStart:
	li 0, 0
	stdu 0, -112(1)
	bl ProgramEntry
	nop
	.size ProgramStart, . - .L.ProgramStart
	.popsection
)");
