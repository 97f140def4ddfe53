#pragma once

// The kernel enters the program here with %dp (r27) unset, through which code
// at a fixed address reaches its data, and with %sp at the top of a stack that
// grows up, where ProgramEntry would store its return address in its
// caller's frame marker. ProgramStart loads %dp with $global$, makes a 64-byte
// frame and calls ProgramEntry.

// Declared again for `used`: the call is one link-time optimisation cannot see.
// NOLINTNEXTLINE(readability-redundant-declaration)
extern "C" [[noreturn, gnu::used]] void ProgramEntry();

asm(R"(
	.pushsection .text.ProgramStart, "ax", @progbits
	.globl ProgramStart
	.type ProgramStart, @function
	.balign 4
ProgramStart:
	ldil L%$global$, %dp
	ldo R%$global$(%dp), %dp
	ldo 64(%sp), %sp
	bl ProgramEntry, %rp
	nop
	.size ProgramStart, . - ProgramStart
	.popsection
)");
