#pragma once

// The kernel enters the program here with r1 at argc and no caller's frame,
// in which ProgramEntry would save its return address. ProgramStart sets the
// TOC pointer from its own address (r12 holds nothing at entry) and calls
// ProgramEntry from a 32-byte frame with a zero back chain.

// Declared again for `used`: the call is one link-time optimisation cannot see.
// NOLINTNEXTLINE(readability-redundant-declaration)
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
