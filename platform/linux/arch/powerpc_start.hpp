#pragma once

// The kernel enters the program here with r1 at argc and no caller's frame,
// in whose second word ProgramEntry would save its return address.
// ProgramStart calls it from a 16-byte frame with a zero back chain.

// Declared again for `used`: the call is one link-time optimisation cannot see.
// NOLINTNEXTLINE(readability-redundant-declaration)
extern "C" [[noreturn, gnu::used]] void ProgramEntry();

asm(R"(
	.pushsection .text.ProgramStart, "ax", @progbits
	.globl ProgramStart
	.type ProgramStart, @function
	.balign 4
ProgramStart:
	li 0, 0
	stwu 0, -16(1)
	bl ProgramEntry
	.size ProgramStart, . - ProgramStart
	.popsection
)");
