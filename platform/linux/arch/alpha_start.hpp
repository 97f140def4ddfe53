#pragma once

// The kernel enters the program here with no $gp, through which compiled code
// reaches its data. ProgramStart finds its own address with `br`, sets $gp
// from it (ldgp), and branches past ProgramEntry's own load of $gp, which
// would take it from $27, which the kernel leaves unset.

// Declared again for `used`: the call is one link-time optimisation cannot see.
// NOLINTNEXTLINE(readability-redundant-declaration)
extern "C" [[noreturn, gnu::used]] void ProgramEntry();

asm(R"(
	.pushsection .text.ProgramStart, "ax", @progbits
	.globl ProgramStart
	.type ProgramStart, @function
	.ent ProgramStart
	.balign 16
ProgramStart:
	.frame $30, 0, $26, 0
	br $29, 1f
1:	ldgp $29, 0($29)
	.prologue 0
	bsr $26, ProgramEntry !samegp
	.end ProgramStart
	.size ProgramStart, . - ProgramStart
	.popsection
)");
