#!/usr/bin/env python3
"""Checks what the built program is, rather than what it prints: that it
needs no runtime, asks the system for nothing but its one write and its exit,
and is hardened as a loader expects. The program file is read with pyelftools
and pefile and its instructions with capstone (Debian's python3-pyelftools,
python3-pefile and python3-capstone), not through the text of readelf or
objdump, which changes between releases.

usage: program_checks.py CHECK [ARGUMENT...] [--and CHECK [ARGUMENT...]]...
  no-interpreter PROGRAM pie|fixed
                                an ELF program that the kernel starts itself:
                                position-independent, or at its link address
  no-relocations PROGRAM        an ELF program with no relocations to apply
  no-start-up-work PROGRAM [LINK_MAP]
                                an ELF or PE program with nothing for a C
                                runtime to run before its entry; for a PE
                                program, no runtime pseudo-relocation list
                                in GNU ld's map
  segments PROGRAM              no W+X segment, no GNU_RELRO, a RW stack
  system-calls PROGRAM KERNEL_MACROS [EMULATOR...]
                                its system calls, under strace or qemu-user,
                                and the call it waits with on a full pipe
  signal-set PROGRAM KERNEL_MACROS [EMULATOR...]
                                the size of the signal set it blocks, as the
                                tracer shows it
  s390x-entry PROGRAM           the s390x program reserves the register save
                                area before it stores or branches
  ppc64-entry PROGRAM           the 64-bit POWER program allocates a frame
                                before it stores relative to r1 or calls,
                                its code found through the entry's function
                                descriptor on ELFv1
  powerpc-entry PROGRAM         the 32-bit POWER program does so too
  alpha-entry PROGRAM           the alpha program sets $gp from its own
                                address before it calls ProgramEntry, to
                                the $gp ProgramEntry's own load would set
  hppa-entry PROGRAM            the hppa program loads %dp with its data's
                                address and makes a 64-byte frame before it
                                calls ProgramEntry
  elf-machine PROGRAM MACHINE   an ELF program for MACHINE, as pyelftools
                                names it: EM_386, EM_X86_64, EM_AARCH64...,
                                or its number where pyelftools names none
                                (alpha's 0x9026)
  pe-imports PROGRAM            imports three functions from KERNEL32.dll
  pe-hardening PROGRAM I386|AMD64|ARM64 MOST_BYTES
                                a PE program for that machine: its header,
                                sections and resources, and a file of at
                                most MOST_BYTES
  pe-unwind PROGRAM LINK_MAP    a 64-bit PE program's unwind entries sorted,
                                apart, within one function each, covering
                                every function (on x64 every one but a leaf)
                                in the link map, their codes those of the
                                prologues and epilogues the code shows
  pe-x18 PROGRAM                an ARM64 PE program whose code never names
                                x18, Windows' TEB register
  pe-planted-faults PROGRAM LINK_MAP
                                pe-unwind and pe-x18 fail on copies of the
                                program with a fault planted in each
  trace-formats                 the system-call checks read each qemu-user
                                -strace format right, and the signal set's
                                size from the kernel's macros (no program
                                needed)
  entry-sequences               the entry checks tell right start sequences
                                from wrong ones (no program needed)
KERNEL_MACROS is the target compiler's `-dM -E` output over the kernel's
<asm/unistd.h> and <asm/signal.h>.

Prints each problem found, or "CHECK: ok"; the exit status is 0 when none
was found, 1 when one was, 2 when the arguments make no sense, and 77 when
the check cannot be made here, with the reason, which also goes to the file
PACKTEXT_SKIPPED_TESTS names, if any. Checks joined by --and run in one
process, each to its own line; the status is then the worst of theirs, a
problem before a skip.
"""

import fcntl
import functools
import inspect
import io
import os
import re
import struct
import subprocess
import sys
import tempfile
import time
from xml.etree import ElementTree

from expected import TEXT
from skips import SKIPPED, note_skip

try:
    import capstone
    import pefile
    from capstone.ppc import PPC_OP_IMM, PPC_OP_REG, PPC_REG_R1
    from capstone.systemz import SYSZ_OP_IMM, SYSZ_OP_MEM, SYSZ_OP_REG, SYSZ_REG_15
    from elftools.common.exceptions import ELFError
    from elftools.elf.constants import P_FLAGS
    from elftools.elf.elffile import ELFFile
    from elftools.elf.enums import ENUM_E_MACHINE

    import pe_unwind
except ImportError as missing:
    sys.exit(f"{sys.executable} has no {missing.name}: "
             "install python3-pyelftools, python3-pefile and python3-capstone")

TEXT_SIZE = len(TEXT)


def elf_file(program):
    """The program as pyelftools reads it, from its bytes in memory: pyelftools
    reads the stream as it goes, and the file is then closed at once."""
    with open(program, "rb") as file:
        return ELFFile(io.BytesIO(file.read()))


def flag_letters(flags):
    """A segment's p_flags as readelf shows them: R, W and E."""
    return "".join(letter for bit, letter in
                   ((P_FLAGS.PF_R, "R"), (P_FLAGS.PF_W, "W"), (P_FLAGS.PF_X, "E"))
                   if flags & bit)


# The ELF type of a program loaded anywhere, and of one at its link address.
ELF_TYPES = {"pie": "ET_DYN", "fixed": "ET_EXEC"}


def no_interpreter(program, address):
    if address not in ELF_TYPES:
        return [f"{address} is no kind of address: {' or '.join(ELF_TYPES)}"]
    elf = elf_file(program)
    if not elf.num_segments():
        return ["no program headers found"]
    problems = []
    if any(segment["p_type"] == "PT_INTERP" for segment in elf.iter_segments()):
        problems.append("has a program interpreter")
    if elf.header.e_type != ELF_TYPES[address]:
        problems.append(f"type is {elf.header.e_type}, not {ELF_TYPES[address]} "
                        f"for a {address} program")
    return problems


RELOCATION_SECTIONS = {"SHT_REL", "SHT_RELA", "SHT_RELR"}
# The dynamic entries through which a loader would find relocations to apply,
# each with the entry that gives its table's size: a linker may leave a table
# of none (riscv64's GNU ld writes DT_RELA with DT_RELASZ 0).
RELOCATION_TAGS = {"DT_REL": "DT_RELSZ", "DT_RELA": "DT_RELASZ", "DT_RELR": "DT_RELRSZ",
                   "DT_JMPREL": "DT_PLTRELSZ"}


def no_relocations(program):
    """Nothing in the program applies relocations: neither a relocation
    section with entries, nor a dynamic entry that points at one."""
    elf = elf_file(program)
    problems = [f"relocations left to apply: section {section.name} ({section['sh_type']}, "
                f"{section['sh_size']} bytes)"
                for section in elf.iter_sections()
                if section["sh_type"] in RELOCATION_SECTIONS and section["sh_size"]]
    for segment in elf.iter_segments():
        if segment["p_type"] == "PT_DYNAMIC":
            values = {tag.entry.d_tag: tag.entry.d_val for tag in segment.iter_tags()}
            tags = [tag for tag, size in RELOCATION_TAGS.items()
                    if tag in values and values.get(size) != 0]
            if tags:
                problems.append(f"relocations left to apply: dynamic entries {', '.join(tags)}")
    return problems


def segments(program):
    problems = []
    found = [(segment["p_type"], segment["p_flags"])
             for segment in elf_file(program).iter_segments()]
    for kind, flags in found:
        if flags & P_FLAGS.PF_W and flags & P_FLAGS.PF_X:
            problems.append(f"{kind} segment is writable and executable")
    if "PT_GNU_RELRO" in [kind for kind, _ in found]:
        problems.append("has a GNU_RELRO segment, which no loader here makes read-only")
    stacks = [flag_letters(flags) for kind, flags in found if kind == "PT_GNU_STACK"]
    if stacks != ["RW"]:
        problems.append(f"stack is not marked read-write and non-executable: GNU_STACK {stacks}")
    return problems


def is_machine(found, machine):
    """Whether pyelftools' e_machine is `machine`: its name, or the number of
    one pyelftools names none of (alpha's 0x9026), given as its number."""
    if re.fullmatch(r"0x[0-9a-fA-F]+", machine):
        return int(machine, 16) in (found, ENUM_E_MACHINE.get(found))
    return found == machine


def elf_machine(program, machine):
    found = elf_file(program).header.e_machine
    if machine not in ENUM_E_MACHINE and not re.fullmatch(r"0x[0-9a-fA-F]+", machine):
        return [f"{machine} is no machine pyelftools knows (the program's is {found})"]
    if not is_machine(found, machine):
        return [f"machine is {found}, not {machine}"]
    return []


# qemu-user's -strace, one line per call after the process id. qemu 7.2 shows
# the signal set's address; later releases add the set's size, and newer ones
# the set itself, which must then be SIGPIPE and SIGXFSZ alone. qemu shows
# neither the bytes written nor, before it decodes it, the mask; the unit tests
# and the stdout states cover those.
QEMU_CALLS = [
    r"\d+ rt_sigprocmask\(SIG_BLOCK,(?:0x[0-9a-f]+|\[(?P<mask>[A-Z0-9 ]*)\]),NULL(?:,\d+)?\) = 0",
    rf"\d+ write\(1,0x[0-9a-f]+,{TEXT_SIZE}\) = {TEXT_SIZE}",
    r"\d+ exit_group\(0\)",
]
BLOCKED_SIGNALS = ["SIGPIPE", "SIGXFSZ"]

STRACE_CALLS = [
    r"execve\(",
    r"rt_sigprocmask\(SIG_BLOCK, \[PIPE XFSZ\], NULL, \d+\) = 0$",
    rf"write\(1, \"A\*A\*.*\"\.\.\., {TEXT_SIZE}\) = {TEXT_SIZE}$",
    r"exit_group\(0\)\s+= \?$",
]


def qemu_trace_problems(calls):
    """What is wrong in the calls qemu-user's -strace shows, or nothing."""
    matches = [re.fullmatch(pattern, call) for pattern, call in zip(QEMU_CALLS, calls)]
    if len(calls) != len(QEMU_CALLS) or not all(matches):
        return ["system calls differ:\n" + "\n".join(calls)]
    mask = matches[0]["mask"]
    if mask is not None and sorted(mask.split()) != BLOCKED_SIGNALS:
        return [f"blocks signals [{mask}], not {' '.join(BLOCKED_SIGNALS)}"]
    return []


def strace_problems(calls):
    """What is wrong in the calls strace shows, or nothing."""
    if len(calls) != len(STRACE_CALLS) or not all(
            re.search(pattern, call) for pattern, call in zip(STRACE_CALLS, calls)):
        return ["system calls differ:\n" + "\n".join(calls)]
    return []


def set_size(call):
    """The signal set's size that a traced rt_sigprocmask call shows, or None."""
    found = re.search(r"rt_sigprocmask\(.*NULL, ?(\d+)\)", call)
    return int(found[1]) if found else None


def kernel_macros(path):
    """{name: definition} of each macro in a file of `-dM -E` output."""
    with open(path, encoding="utf-8") as file:
        return macro_definitions(file)


def macro_definitions(lines):
    """{name: definition} of each #define among lines of `-dM -E` output."""
    macros = {}
    for words in (line.split(maxsplit=2) for line in lines):
        if words[:1] == ["#define"]:
            macros[words[1]] = words[2].strip() if len(words) > 2 else ""
    return macros


def waiting_call(elf, macros):
    """The call the program waits with for standard output to take more: poll
    where the kernel has one, else ppoll; None for a 32-bit program without
    poll, since its ppoll takes a 32-bit time, which a kernel may leave out."""
    if "__NR_poll" in macros:
        return "poll"
    return "ppoll" if elf.elfclass == 64 else None


def sigset_bytes(macros):
    """The kernel's signal set in bytes: _NSIG bits where <asm/signal.h> says
    more than 64, else 64 (sparc's says 32, the calls before rt_sigprocmask,
    through another macro: __OLD_NSIG)."""
    value = macros.get("_NSIG", "64")
    while value in macros:
        value = macros[value]
    return max(int(value), 64) // 8


# A call's name, at the start of a strace line or of a qemu-user line after
# the process id, in qemu's raw and decoded forms alike.
CALL_NAME = re.compile(r"(?:\d+ )?(\w+)\(")


def waiting_problems(calls, waiting):
    """What is wrong in the calls of a run that had to wait for its standard
    output, or nothing: after strace's execve, the signal-mask set-up, writes
    and waits with `waiting` only, at least one of them, then the exit."""
    names = [match[1] if (match := CALL_NAME.match(call)) else call for call in calls]
    if names[:1] == ["execve"]:
        names = names[1:]
    problems = []
    if names[:1] != ["rt_sigprocmask"] or names[-1:] != ["exit_group"]:
        problems.append("does not start with rt_sigprocmask and end with exit_group")
    others = sorted(set(names[1:-1]) - {"write", waiting})
    if others:
        problems.append(f"calls {', '.join(others)} where it should write or wait with {waiting}")
    if waiting not in names:
        problems.append(f"never waits with {waiting}")
    return problems + (["system calls:\n" + "\n".join(calls)] if problems else [])


def trace_command(program, emulator):
    if emulator:
        return [emulator[0], "-strace", *emulator[1:], program]
    return ["strace", "--quiet=all", "-f", program]


def trace_lines(errors):
    return [line for line in errors.splitlines() if line and not line.startswith("[")]


def run_into_full_pipe(command):
    """Runs `command` with standard output a small non-blocking pipe that is
    already full, and reads it only after a while, so the program must wait.
    Returns the exit status, standard error, and what was read after the
    bytes that filled the pipe, or None if those did not come first."""
    read_end, write_end = os.pipe()
    fcntl.fcntl(write_end, fcntl.F_SETPIPE_SZ, 4096)
    os.set_blocking(write_end, False)
    filling = b""
    try:
        while True:
            filling += b"." * os.write(write_end, b"." * 4096)
    except BlockingIOError:
        pass
    with tempfile.TemporaryFile() as errors:
        process = subprocess.Popen(command, stdin=subprocess.DEVNULL, stdout=write_end,
                                   stderr=errors)
        os.close(write_end)
        time.sleep(0.5)
        data = bytearray()
        while chunk := os.read(read_end, 65536):
            data += chunk
        os.close(read_end)
        status = process.wait(timeout=120)
        errors.seek(0)
        text = errors.read().decode("utf-8", "replace")
    return status, text, bytes(data).removeprefix(filling) if data.startswith(filling) else None


class Skipped(Exception):
    """A check that cannot be made here; the reason."""


def traced_run(program, emulator):
    """Runs the program under strace, or under qemu-user's own -strace for a
    program the host cannot run: its exit status, calls and standard output."""
    trace = subprocess.run(trace_command(program, emulator), capture_output=True, text=True,
                           check=False)
    return trace.returncode, trace_lines(trace.stderr), trace.stdout


def system_calls(program, macros_file, *emulator):
    """The signal-mask set-up, one write of the whole text to standard output,
    the exit with status 0, and nothing else. Then with standard output a
    full non-blocking pipe: the program waits with the call the kernel's
    macros give, and writes the whole text all the same."""
    elf = elf_file(program)
    waiting = waiting_call(elf, kernel_macros(macros_file))
    if waiting is None:
        return ["a 32-bit program with no poll has no call to wait with: ppoll takes a 32-bit time"]
    status, calls, output = traced_run(program, emulator)
    problems = []
    if status != 0:
        problems.append(f"exit status {status}")
    problems += qemu_trace_problems(calls) if emulator else strace_problems(calls)
    if output != TEXT.decode():
        problems.append("standard output is not the text")

    status, errors, data = run_into_full_pipe(trace_command(program, emulator))
    if status != 0:
        problems.append(f"exit status {status} on a full pipe")
    problems += [f"on a full pipe: {problem}"
                 for problem in waiting_problems(trace_lines(errors), waiting)]
    if data != TEXT:
        problems.append("on a full pipe, standard output is not the text")
    return problems


def signal_set(program, macros_file, *emulator):
    """The signal set the program blocks its write signals with is the
    kernel's size, where the tracer shows the size."""
    expected = sigset_bytes(kernel_macros(macros_file))
    _, calls, _ = traced_run(program, emulator)
    masks = [call for call in calls if "rt_sigprocmask(" in call]
    if len(masks) != 1:
        return [f"{len(masks)} rt_sigprocmask calls, not one:\n" + "\n".join(calls)]
    size = set_size(masks[0])
    if size is None:
        tracer = f"{emulator[0]} -strace" if emulator else "strace"
        raise Skipped(f"{tracer} shows no signal-set size: {masks[0]}")
    if size != expected:
        return [f"passes a signal set of {size} bytes, not the kernel's {expected}"]
    return []


def trace_formats():
    """Each form of qemu-user's -strace lines the system-call checks read,
    and a few they must refuse; and the signal set's size the kernel's
    macros give."""
    write, leave = f"7 write(1,0x4000a0,{TEXT_SIZE}) = {TEXT_SIZE}", "7 exit_group(0)"
    samples = [
        ("7 rt_sigprocmask(SIG_BLOCK,0x4000f8,NULL) = 0", True),
        ("7 rt_sigprocmask(SIG_BLOCK,0x4000f8,NULL,8) = 0", True),
        ("7 rt_sigprocmask(SIG_BLOCK,[SIGPIPE SIGXFSZ],NULL,16) = 0", True),
        ("7 rt_sigprocmask(SIG_BLOCK,[SIGPIPE],NULL,8) = 0", False),
        ("7 rt_sigprocmask(SIG_BLOCK,[SIGPIPE SIGXFSZ SIGINT],NULL,8) = 0", False),
        ("7 rt_sigprocmask(SIG_BLOCK,[],NULL,8) = 0", False),
        ("7 rt_sigprocmask(SIG_SETMASK,[SIGPIPE SIGXFSZ],NULL,8) = 0", False),
        ("7 rt_sigprocmask(SIG_BLOCK,[SIGPIPE SIGXFSZ],NULL,8) = -1 errno=22 "
         "(Invalid argument)", False),
    ]
    problems = []
    for first, accepted in samples:
        if (not qemu_trace_problems([first, write, leave])) != accepted:
            problems.append(f"{'refuses' if accepted else 'accepts'} {first!r}")
    # The signal set's size, in qemu-user's forms and strace's.
    sizes = [(samples[0][0], None), (samples[1][0], 8), (samples[2][0], 16),
             ("rt_sigprocmask(SIG_BLOCK, [PIPE XFSZ], NULL, 8) = 0", 8)]
    for call, size in sizes:
        if set_size(call) != size:
            problems.append(f"reads a signal set of {set_size(call)} bytes from {call!r}")
    # The size the kernel's macros give: mips' 128 signals, none said, and
    # sparc's 32 of the older calls, named through another macro.
    for lines, size in ((["#define _NSIG 128\n"], 16), (["#define SIGPIPE 13\n"], 8),
                        (["#define _NSIG __OLD_NSIG\n", "#define __OLD_NSIG 32\n",
                          "#define __NEW_NSIG 64\n"], 8)):
        try:
            found = sigset_bytes(macro_definitions(lines))
        except ValueError as unread:
            found = unread
        if found != size:
            problems.append(f"reads a signal set of {found} bytes from {''.join(lines)!r}")
    if not qemu_trace_problems([samples[0][0], "7 write(1,0x4000a0,4000) = 4000", leave]):
        problems.append("accepts a short write")
    if not qemu_trace_problems([samples[0][0], write, leave, "7 getpid() = 7"]):
        problems.append("accepts a call after the exit")

    # A run into a full pipe, its waits raw (qemu 7.2) and decoded (later).
    refused = "7 write(1,0x3000,8000) = -1 errno=11 (Resource temporarily unavailable)"
    waits = [
        ("7 poll(274919871952,1,-1,1,274919872124,0) = 1", "poll", True),
        ("7 poll(0x40007ffe50,1,-1) = 1", "poll", True),
        ("7 ppoll(0x40007ffe50,1,0x0,0x0) = 1", "ppoll", True),
        ("7 ppoll(274919872128,1,0,0,274919872300,0) = 1", "poll", False),
        ("7 poll(0x40007ffe50,1,-1) = 1", "ppoll", False),
        ("7 ppoll_time64(0x40007ffe50,1,0x0,0x0) = 1", "ppoll", False),
    ]
    for wait, waiting, accepted in waits:
        calls = [samples[0][0], refused, wait, write, leave]
        if (not waiting_problems(calls, waiting)) != accepted:
            problems.append(f"{'refuses' if accepted else 'accepts'} {wait!r} for {waiting}")
    if not waiting_problems([samples[0][0], write, leave], "poll"):
        problems.append("accepts a run into a full pipe that never waits")
    if not waiting_problems([samples[0][0], refused, waits[3][0], waits[0][0], write, leave],
                            "poll"):
        problems.append("accepts a run that waits with ppoll as well as poll")
    return problems


def decoded(code, address, architecture, mode):
    """The instructions capstone decodes from `code` at `address`, up to the
    first it cannot decode."""
    decoder = capstone.Cs(architecture, mode)
    decoder.detail = True
    return list(decoder.disasm(code, address))


def loaded_bytes(elf, address, size):
    """Up to `size` bytes of the program file loaded at `address`."""
    return next((segment.data()[address - segment["p_vaddr"]:][:size]
                 for segment in elf.iter_segments() if segment["p_type"] == "PT_LOAD"
                 and segment["p_vaddr"] <= address < segment["p_vaddr"] + segment["p_filesz"]),
                b"")


def elfv1(elf):
    """Whether a 64-bit POWER program is ELFv1's, whose e_entry is a function
    descriptor: the code's address, then the TOC pointer the kernel loads."""
    return elf.header.e_machine == "EM_PPC64" and elf.header.e_flags & 3 != 2


def entry_instructions(program, machine, architecture, mode):
    """The instructions in the first 64 bytes of the code the kernel enters in
    a program for `machine`, through the entry's descriptor on ELFv1; a
    ValueError for a program for another machine."""
    elf = elf_file(program)
    if elf.header.e_machine != machine:
        raise ValueError(f"machine is {elf.header.e_machine}, not {machine}")
    entry = elf.header.e_entry
    if elfv1(elf):
        descriptor = loaded_bytes(elf, entry, 8).rjust(8, b"\0")
        entry = struct.unpack(">Q" if not elf.little_endian else "<Q", descriptor)[0]
    code = loaded_bytes(elf, entry, 64)
    if not elf.little_endian:
        mode |= capstone.CS_MODE_BIG_ENDIAN
    return decoded(code, entry, architecture, mode)


def comes_before(instruction, entry, awaited):
    return (f"{instruction.mnemonic} {instruction.op_str} at entry point "
            f"+ {instruction.address - entry} comes before {awaited}")


# The start-up each ABI wants is told in platform/linux/arch/s390x_start.hpp,
# powerpc64_start.hpp, powerpc64_elfv1_start.hpp and powerpc_start.hpp.
S390X = (capstone.CS_ARCH_SYSZ, capstone.CS_MODE_BIG_ENDIAN)
S390X_SAVE_AREA = 160
# Those that add to %r15 from itself, and those that only set another register.
S390X_ADDS = {"aghi", "agfi", "lay"}
S390X_LOADS = {"lghi", "xgr"}


def s390x_stack_change(instruction):
    """How much an instruction adds to %r15, or None if it is not one of
    S390X_ADDS setting %r15 from itself."""
    if instruction.mnemonic not in S390X_ADDS:
        return None
    target, source = instruction.operands[0], instruction.operands[-1]
    if target.type != SYSZ_OP_REG or target.reg != SYSZ_REG_15:
        return None
    if source.type == SYSZ_OP_IMM:
        return source.imm
    if source.type == SYSZ_OP_MEM and source.mem.base == SYSZ_REG_15 and not source.mem.index:
        return source.mem.disp
    return None


def s390x_start_problems(instructions):
    """%r15 is lowered by the register save area before any instruction but
    one that only sets another register: before anything stores relative to
    %r15, or branches."""
    lowered = 0
    for instruction in instructions:
        change = s390x_stack_change(instruction)
        if change is not None:
            lowered -= change
            if lowered >= S390X_SAVE_AREA:
                return []
        elif instruction.mnemonic not in S390X_LOADS or instruction.operands[0].reg == SYSZ_REG_15:
            awaited = f"%r15 is lowered by {S390X_SAVE_AREA} bytes (by {lowered} so far)"
            return [comes_before(instruction, instructions[0].address, awaited)]
    return [f"the code at the entry point ends before %r15 is lowered by {S390X_SAVE_AREA} bytes"]


def s390x_entry(program):
    return s390x_start_problems(entry_instructions(program, "EM_S390", *S390X))


PPC64 = (capstone.CS_ARCH_PPC, capstone.CS_MODE_64)
PPC32 = (capstone.CS_ARCH_PPC, capstone.CS_MODE_32 | capstone.CS_MODE_BIG_ENDIAN)
# Each ABI's least frame, and the store that allocates it: ELFv2's 32 bytes;
# ELFv1's 112, 48 and the 64-byte parameter save area a callee may store
# into; 32-bit POWER's back chain and return address, rounded to 16.
PPC64_MINIMUM_FRAME = 32
PPC64_ELFV1_MINIMUM_FRAME = 112
PPC32_MINIMUM_FRAME = 16
# Those that only set a register, which must not be r1.
PPC64_LOADS = {"addi", "addis", "li", "lis", "mflr"}


def ppc64_start_problems(instructions, minimum=PPC64_MINIMUM_FRAME, allocation="stdu"):
    """A frame of at least the minimum size, a multiple of 16, is allocated
    with stdu (stwu on 32-bit) relative to r1 before any instruction but one
    that only sets another register, or a branch to the next instruction (the
    bcl that reads the program counter): before anything stores relative to
    r1, or calls."""
    for instruction in instructions:
        operands = instruction.operands
        if instruction.mnemonic == allocation and operands[1].mem.base == PPC_REG_R1:
            size = -operands[1].mem.disp
            if size >= minimum and size % 16 == 0:
                return []
            return [f"the frame allocated at entry point + "
                    f"{instruction.address - instructions[0].address} is {size} bytes, "
                    f"not a multiple of 16 of at least {minimum}"]
        sets_other = (instruction.mnemonic in PPC64_LOADS and operands[0].type == PPC_OP_REG
                      and operands[0].reg != PPC_REG_R1)
        to_next = (instruction.mnemonic.startswith("b") and operands
                   and operands[-1].type == PPC_OP_IMM
                   and operands[-1].imm == instruction.address + instruction.size)
        if not (sets_other or to_next):
            return [comes_before(instruction, instructions[0].address, "a frame is allocated")]
    return ["the code at the entry point ends before a frame is allocated"]


def ppc64_entry(program):
    minimum = PPC64_ELFV1_MINIMUM_FRAME if elfv1(elf_file(program)) else PPC64_MINIMUM_FRAME
    return ppc64_start_problems(entry_instructions(program, "EM_PPC64", *PPC64), minimum)


def powerpc_entry(program):
    return ppc64_start_problems(entry_instructions(program, "EM_PPC", *PPC32),
                                PPC32_MINIMUM_FRAME, "stwu")


# Start routines that no capstone release at hand decodes (alpha's, hppa's)
# are read as instruction words, by the fields of each that matter.
def entry_words(program, machine):
    """The entry point of a program for `machine` and the 32-bit instruction
    words in the first 64 bytes there; a function that reads `count` words at
    an address; and the program's writable ranges of addresses."""
    elf = elf_file(program)
    if not is_machine(elf.header.e_machine, machine):
        raise ValueError(f"machine is {elf.header.e_machine}, not {machine}")
    order = "<" if elf.little_endian else ">"

    def words_at(address, count):
        code = loaded_bytes(elf, address, 4 * count)
        return list(struct.unpack(f"{order}{len(code) // 4}I", code[:len(code) // 4 * 4]))

    writable = [(segment["p_vaddr"], segment["p_vaddr"] + segment["p_memsz"])
                for segment in elf.iter_segments()
                if segment["p_type"] == "PT_LOAD" and segment["p_flags"] & P_FLAGS.PF_W]
    return elf.header.e_entry, words_at(elf.header.e_entry, 16), words_at, writable


def signed(value, bits):
    return value - (1 << bits) if value >> (bits - 1) & 1 else value


def word_comes_before(word, offset, awaited):
    return f"word {word:#010x} at entry point + {offset} comes before {awaited}"


# alpha: the opcode in the top six bits, then ra and rb; $gp, pv and ra.
ALPHA_BR, ALPHA_LDAH, ALPHA_LDA, ALPHA_BSR = 0x30, 0x09, 0x08, 0x34
ALPHA_GP, ALPHA_PV, ALPHA_RA = 29, 27, 26


def alpha_fields(word):
    return word >> 26, word >> 21 & 31, word >> 16 & 31


def alpha_gp_load(words, address, base):
    """The $gp that ldah and lda at words[0:2] set, at `address`, with `base`
    in the register ldah adds to; None if they are not those two."""
    if len(words) < 2 or [alpha_fields(word) for word in words[:2]] != [
            (ALPHA_LDAH, ALPHA_GP, base), (ALPHA_LDA, ALPHA_GP, ALPHA_GP)]:
        return None
    return address + (signed(words[0] & 0xFFFF, 16) << 16) + signed(words[1] & 0xFFFF, 16)


def alpha_start_problems(entry, words, words_at):
    """$gp is set from the start's own address, which `br $gp, .+4` gives,
    by ldah and lda, before ProgramEntry is called with bsr $ra: the kernel
    sets no $gp, nor the pv from which ProgramEntry would load one. Where
    the call branches past such a load, the $gp it would set is this one."""
    if not words or alpha_fields(words[0])[:2] != (ALPHA_BR, ALPHA_GP) or words[0] & 0x1FFFFF:
        return [word_comes_before(words[0] if words else 0, 0,
                                  "$gp takes the start's address (br $gp, .+4)")]
    gp = alpha_gp_load(words[1:], entry + 4, ALPHA_GP)
    if gp is None:
        return [word_comes_before(words[1] if len(words) > 1 else 0, 4,
                                  "$gp is set from its address (ldah, lda)")]
    if len(words) < 4 or alpha_fields(words[3])[:2] != (ALPHA_BSR, ALPHA_RA):
        return [word_comes_before(words[3] if len(words) > 3 else 0, 12,
                                  "ProgramEntry is called (bsr $ra)")]
    target = entry + 16 + 4 * signed(words[3] & 0x1FFFFF, 21)
    own = alpha_gp_load(words_at(target - 8, 2), target - 8, ALPHA_PV)
    if own is not None and own != gp:
        return [f"the start sets $gp to {gp:#x}, ProgramEntry's own load to {own:#x}"]
    return []


def alpha_entry(program):
    entry, words, words_at, _ = entry_words(program, "0x9026")
    return alpha_start_problems(entry, words, words_at)


# hppa: the opcode in the top six bits; %dp, %sp and %rp; the frame the
# caller leaves above %sp (the stack grows up), in which a function stores.
HPPA_LDIL, HPPA_LDO, HPPA_BRANCH = 0x08, 0x0D, 0x3A
HPPA_DP, HPPA_SP, HPPA_RP = 27, 30, 2
HPPA_FRAME = 64


def hppa_ldil(word):
    """The value ldil loads: its 21 bits, scattered in the word, shifted by 11."""
    bits = ((word & 1) << 20 | (word & 0xFFE) << 8 | (word & 0xC000) >> 7
            | (word & 0x1F0000) >> 14 | (word & 0x3000) >> 12)
    return bits << 11


def hppa_ldo(word):
    """The displacement ldo adds: 14 bits, the sign in the lowest."""
    field = word & 0x3FFF
    return (field >> 1) - ((field & 1) << 13)


def hppa_start_problems(entry, words, writable):
    """%dp is loaded (ldil, ldo) with an address in the program's writable
    data ($global$), and %sp raised by a 64-byte frame (ldo), before any
    other instruction: before ProgramEntry is called (b,l into %rp)."""
    dp_high = dp = None
    raised = 0
    for index, word in enumerate(words):
        opcode, first, second = word >> 26, word >> 21 & 31, word >> 16 & 31
        if opcode == HPPA_LDIL and first == HPPA_DP:
            dp_high = hppa_ldil(word)
        elif opcode == HPPA_LDO and (first, second) == (HPPA_DP, HPPA_DP) and dp_high is not None:
            dp = dp_high + hppa_ldo(word)
        elif opcode == HPPA_LDO and (first, second) == (HPPA_SP, HPPA_SP):
            raised += hppa_ldo(word)
        elif opcode == HPPA_BRANCH and first == HPPA_RP and word >> 13 & 7 == 0:
            problems = []
            if dp is None:
                problems.append(f"ProgramEntry is called at entry point + {4 * index} "
                                "before %dp is loaded")
            elif not any(start <= dp < end for start, end in writable):
                problems.append(f"%dp is loaded with {dp:#x}, outside the writable data")
            if raised != HPPA_FRAME:
                problems.append(f"%sp is raised by {raised} bytes, not a {HPPA_FRAME}-byte frame")
            return problems
        else:
            return [word_comes_before(word, 4 * index, "ProgramEntry is called")]
    return ["the code at the entry point ends before ProgramEntry is called"]


def hppa_entry(program):
    entry, words, _, writable = entry_words(program, "EM_PARISC")
    return hppa_start_problems(entry, words, writable)


def word_sequences():
    """alpha's and hppa's start words the entry checks must accept, and some
    they must refuse."""
    # ProgramEntry at 0x1000 loads $gp 0x9000 from pv (ldah $gp, 1($27); lda
    # $gp, -32768($gp)); the start at 0x1010 calls past that load, at 0x1008.
    image = {0x1000: [0x27BB0001, 0x23BD8000]}
    call = 0xD35FFFFA
    alpha = [
        ([0xC3A00000, 0x27BD0000, 0x23BD7FEC, call], True),  # alpha_start.hpp's
        ([call], False),  # the call first
        ([0x27BB0000, 0x23BD7FEC, call], False),  # $gp from pv, which the kernel leaves unset
        ([0xC0200000, 0x27BD0000, 0x23BD7FEC, call], False),  # br $1
        ([0xC3A00000, 0x27BD0001, 0x23BD7FEC, call], False),  # a $gp not ProgramEntry's
        ([0xC3A00000, 0x27BD0000, 0x23BD7FEC, 0xD01FFFFA], False),  # bsr $0
    ]
    # hppa_start.hpp's: ldil L%0x11000, %dp; ldo 0(%dp), %dp; ldo 64(%sp), %sp;
    # b,l into %rp; the data at 0x11000 to 0x14000.
    writable = [(0x11000, 0x14000)]
    dp, frame, branch = [0x23682000, 0x377B0000], 0x37DE0080, 0xE84003C8
    hppa = [
        ([*dp, frame, branch, 0x08000240], True),
        ([frame, branch], False),  # no %dp
        ([*dp, 0x37DE0040, branch], False),  # a 32-byte frame
        ([*dp, branch, frame], False),  # the call first
        ([0x23682000, 0x377B3FF1, frame, branch], False),  # %dp 8 bytes below the data
        ([0x6BC23FD9, *dp, frame, branch], False),  # stw %rp first
    ]
    problems = []
    for words, accepted in alpha:
        found = alpha_start_problems(0x1010, words, lambda address, count: image.get(address, []))
        if (not found) != accepted:
            problems.append(f"{'refuses' if accepted else 'accepts'} alpha start "
                            f"{' '.join(f'{word:08x}' for word in words)}")
    for words, accepted in hppa:
        if (not hppa_start_problems(0x10104, words, writable)) != accepted:
            problems.append(f"{'refuses' if accepted else 'accepts'} hppa start "
                            f"{' '.join(f'{word:08x}' for word in words)}")
    return problems


def entry_sequences():
    """Start sequences the entry checks must accept, and some they must refuse,
    as capstone decodes them: what it names an instruction changes between
    its releases."""
    s390x = [
        ("a7fbff60 a7090000 e300f0000024 c0f400000003", True),  # s390x_start.hpp's
        ("b9820011 e3f0ff60ff71 e300f0000024", True),  # xgr; lay
        ("c2f8ffffff60 e300f0000024", True),  # agfi
        ("e300f0000024 a7fbff60", False),  # stg first
        ("eb6ff0300024 a7fbff60", False),  # stmg first
        ("c0f400000003 a7fbff60", False),  # jg first
        ("a7fbffa0 e300f0000024", False),  # lowered by 96 only
        ("a7f90000 a7fbff60", False),  # lghi %r15
    ]
    ppc64 = [
        # powerpc64_start.hpp's: bcl 20,31,.+4, mflr, addis, addi, li, stdu, bl.
        ("05009f42 a602487c 1000423c 20004238 00000038 e1ff01f8 edffff4b", True),
        ("d9ff21f8", False),  # stdu -40
        ("f1ff21f8", False),  # stdu -16
        ("100001f8 e1ff01f8", False),  # std first
        ("edffff4b e1ff01f8", False),  # bl first
        ("00002038 e1ff01f8", False),  # li r1
        ("09009f42 e1ff01f8", False),  # bcl 20,31,.+8
    ]
    # Big-endian, as the ELFv1 and 32-bit programs are.
    ppc64_elfv1 = [
        ("38000000 f801ff91 4bffffb9 60000000", True),  # powerpc64_elfv1_start.hpp's
        ("38000000 f801ffe1 4bffffb9", False),  # stdu -32, ELFv2's frame
        ("f8010010 f801ff91", False),  # std first
    ]
    ppc32 = [
        ("38000000 9401fff0 4bffffd5", True),  # powerpc_start.hpp's: li, stwu -16, bl
        ("9401fff8 4bffffd5", False),  # stwu -8
        ("90010004 9401fff0", False),  # stw first
        ("4bffffd5 9401fff0", False),  # bl first
    ]
    big_ppc64 = (capstone.CS_ARCH_PPC, capstone.CS_MODE_64 | capstone.CS_MODE_BIG_ENDIAN)
    elfv1_start = functools.partial(ppc64_start_problems, minimum=PPC64_ELFV1_MINIMUM_FRAME)
    ppc32_start = functools.partial(ppc64_start_problems, minimum=PPC32_MINIMUM_FRAME,
                                    allocation="stwu")
    problems = []
    for start_problems, decoder, cases in ((s390x_start_problems, S390X, s390x),
                                           (ppc64_start_problems, PPC64, ppc64),
                                           (elfv1_start, big_ppc64, ppc64_elfv1),
                                           (ppc32_start, PPC32, ppc32)):
        for code, accepted in cases:
            instructions = decoded(bytes.fromhex(code), 0x1000, *decoder)
            if (not start_problems(instructions)) != accepted:
                problems.append(f"{'refuses' if accepted else 'accepts'} {code}")
    return problems + word_sequences()


def section_name(section):
    return section.Name.rstrip(b"\0").decode("ascii", "replace")


def pe_file(program):
    with open(program, "rb") as file:
        return pefile.PE(data=file.read())


def pe_imports(program):
    pe = pe_file(program)
    entries = (getattr(pe, "DIRECTORY_ENTRY_IMPORT", [])
               + getattr(pe, "DIRECTORY_ENTRY_DELAY_IMPORT", []))
    dlls = [entry.dll.decode("ascii", "replace") for entry in entries]
    imports = sorted(symbol.name.decode("ascii", "replace") if symbol.name
                     else f"ordinal {symbol.ordinal}"
                     for entry in entries for symbol in entry.imports)
    problems = []
    if dlls != ["KERNEL32.dll"]:
        problems.append(f"imports from {dlls}, expected KERNEL32.dll only")
    if imports != ["ExitProcess", "GetStdHandle", "WriteFile"]:
        problems.append(f"imports {imports}")
    return problems


def pe_version_info(data):
    """The version resource of a PE file's bytes: (the fixed file version as
    a dotted string, {name: value} of its strings), or None if it has none."""
    return version_info(pefile.PE(data=data))


def version_info(pe):
    """pe_version_info of a PE file pefile has read."""
    if not getattr(pe, "VS_FIXEDFILEINFO", None):
        return None
    fixed = pe.VS_FIXEDFILEINFO[0]
    version = [fixed.FileVersionMS >> 16, fixed.FileVersionMS & 0xFFFF,
               fixed.FileVersionLS >> 16, fixed.FileVersionLS & 0xFFFF]
    strings = {}
    for block in (block for blocks in getattr(pe, "FileInfo", []) for block in blocks):
        for table in getattr(block, "StringTable", []):
            strings |= {name.decode("utf-8", "replace"): value.decode("utf-8", "replace")
                        for name, value in table.entries.items()}
    return ".".join(map(str, version)), strings


def pe_manifests(pe):
    """{resource id: bytes} of each manifest among a PE file's resources."""
    manifests = {}
    resources = getattr(pe, "DIRECTORY_ENTRY_RESOURCE", None)
    for kind in resources.entries if resources else []:
        if kind.id != pefile.RESOURCE_TYPE["RT_MANIFEST"]:
            continue
        for resource in kind.directory.entries:
            for language in resource.directory.entries:
                where = language.data.struct
                manifests[resource.id] = pe.get_data(where.OffsetToData, where.Size)
    return manifests


# Windows 7, 8, 8.1, and 10 and 11 (which share one).
SUPPORTED_OS = {"{35138b9a-5d96-4fbd-8e2d-a2440225f93a}", "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}",
                "{1f676c76-80e1-4239-95bb-83d0f6d0da78}", "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"}

# DllCharacteristics every program has; and for each machine, the optional
# header's magic number, its own DllCharacteristics and the subsystem and OS
# version Microsoft's linker writes for it (ARM's first Windows was 8, 6.2).
DLL_FLAGS = ["DYNAMIC_BASE", "NX_COMPAT", "TERMINAL_SERVER_AWARE"]
MACHINES = {"I386": (pefile.OPTIONAL_HEADER_MAGIC_PE, ["NO_SEH"], (6, 0)),
            "AMD64": (pefile.OPTIONAL_HEADER_MAGIC_PE_PLUS, ["HIGH_ENTROPY_VA"], (6, 0)),
            "ARM64": (pefile.OPTIONAL_HEADER_MAGIC_PE_PLUS, ["HIGH_ENTROPY_VA"], (6, 2))}

# The manifest Windows reads for a program is resource 1 of type RT_MANIFEST.
APPLICATION_MANIFEST = 1


def pe_hardening(program, machine, most_bytes):
    """A program for `machine`, its header as Windows' loader and Microsoft's
    checks expect it, with its version resource and manifest, in a file no
    larger than most_bytes."""
    if machine not in MACHINES:
        return [f"machine {machine} is none of {', '.join(MACHINES)}"]
    if not most_bytes.isdigit():
        return [f"size limit {most_bytes} is not a number of bytes"]
    pe = pe_file(program)
    header = pe.OPTIONAL_HEADER
    magic, machine_flags, version = MACHINES[machine]
    problems = []
    size = os.path.getsize(program)
    if size > int(most_bytes):
        problems.append(f"file is {size} bytes, more than {most_bytes}")
    found = pefile.MACHINE_TYPE.get(pe.FILE_HEADER.Machine, hex(pe.FILE_HEADER.Machine))
    if found != f"IMAGE_FILE_MACHINE_{machine}":
        problems.append(f"machine is {found}, not {machine}")
    if header.Magic != magic:
        problems.append("not PE32" if magic == pefile.OPTIONAL_HEADER_MAGIC_PE else "not PE32+")
    for name in DLL_FLAGS + machine_flags:
        if not header.DllCharacteristics & pefile.DLL_CHARACTERISTICS[
                f"IMAGE_DLLCHARACTERISTICS_{name}"]:
            problems.append(f"not {name}")
    # Without base relocations the loader cannot move the program after all.
    if pe.FILE_HEADER.Characteristics & pefile.IMAGE_CHARACTERISTICS["IMAGE_FILE_RELOCS_STRIPPED"]:
        problems.append("base relocations stripped: it cannot be moved")
    if header.Subsystem != pefile.SUBSYSTEM_TYPE["IMAGE_SUBSYSTEM_WINDOWS_CUI"]:
        problems.append("not a console program")
    for field, major, minor in (
            ("Subsystem", header.MajorSubsystemVersion, header.MinorSubsystemVersion),
            ("OS", header.MajorOperatingSystemVersion, header.MinorOperatingSystemVersion)):
        if (major, minor) != version:
            problems.append(f"{field} version is {major}.{minor}, not {version[0]}.{version[1]}")

    # A section holding code counts as executable even without the flag.
    write = pefile.SECTION_CHARACTERISTICS["IMAGE_SCN_MEM_WRITE"]
    execute = (pefile.SECTION_CHARACTERISTICS["IMAGE_SCN_MEM_EXECUTE"]
               | pefile.SECTION_CHARACTERISTICS["IMAGE_SCN_CNT_CODE"])
    if not pe.sections:
        problems.append("no sections found")
    for section in pe.sections:
        if section.Characteristics & write and section.Characteristics & execute:
            problems.append(f"section {section_name(section)} is writable and executable")
    # The loader writes the import addresses: they must not sit among code.
    for directory in ("IMAGE_DIRECTORY_ENTRY_IMPORT", "IMAGE_DIRECTORY_ENTRY_IAT"):
        entry = header.DATA_DIRECTORY[pefile.DIRECTORY_ENTRY[directory]]
        section = pe.get_section_by_rva(entry.VirtualAddress) if entry.Size else None
        if section and section.Characteristics & execute:
            problems.append(f"{directory.removeprefix('IMAGE_DIRECTORY_ENTRY_')} is in "
                            f"executable section {section_name(section)}")

    info = version_info(pe)
    if info is None:
        problems.append("no version resource")
    else:
        for name in ("ProductName", "FileDescription", "FileVersion", "ProductVersion",
                     "LegalCopyright"):
            if not info[1].get(name):
                problems.append(f"version resource has no {name}")
    manifests = pe_manifests(pe)
    if APPLICATION_MANIFEST not in manifests:
        problems.append(f"no application manifest (manifest resources: {sorted(manifests)})")
    else:
        try:
            manifest = ElementTree.fromstring(manifests[APPLICATION_MANIFEST])
        except ElementTree.ParseError as unreadable:
            return problems + [f"application manifest is not XML: {unreadable}"]
        levels = [element.get("level") for element in manifest.iter()
                  if element.tag.endswith("}requestedExecutionLevel")]
        if levels != ["asInvoker"]:
            problems.append(f"manifest asks for execution level {levels}")
        systems = {element.get("Id") for element in manifest.iter()
                   if element.tag.endswith("}supportedOS")}
        if systems != SUPPORTED_OS:
            problems.append(f"manifest's supported systems are {sorted(systems)}")
    return problems


ENTRY_FUNCTION = "ProgramEntry"


def unwind_problems(pe, link_map):
    """What is wrong in a 64-bit PE program's unwind tables (pe_unwind.py),
    with its functions found in the link map, the entry routine at the
    program's entry point among them."""
    functions = pe_unwind.map_functions(link_map, pe)
    starts = {name: start for name, start, _ in functions}
    if ENTRY_FUNCTION not in starts:
        return [f"{link_map} places no {ENTRY_FUNCTION} in the program's code"]
    if starts[ENTRY_FUNCTION] != pe.OPTIONAL_HEADER.AddressOfEntryPoint:
        return [f"{ENTRY_FUNCTION} is at {starts[ENTRY_FUNCTION]:#x}, the entry point at "
                f"{pe.OPTIONAL_HEADER.AddressOfEntryPoint:#x}: is the map from another link?"]
    if pe.FILE_HEADER.Machine == pefile.MACHINE_TYPE["IMAGE_FILE_MACHINE_ARM64"]:
        return pe_unwind.arm64_problems(pe, functions)
    return pe_unwind.x64_problems(pe, functions)


def pe_unwind_check(program, link_map):
    """Windows walks a 64-bit program's stack by its unwind tables alone."""
    return unwind_problems(pe_file(program), link_map)


def arm64_x18(pe):
    """Each ARM64 instruction in the program's code that names x18 (or w18),
    which Windows keeps pointing at the thread's TEB."""
    decoder = capstone.Cs(capstone.CS_ARCH_ARM64, capstone.CS_MODE_ARM)
    decoder.detail = True
    decoder.skipdata = True
    execute = pefile.SECTION_CHARACTERISTICS["IMAGE_SCN_MEM_EXECUTE"]
    found = []
    for section in (s for s in pe.sections if s.Characteristics & execute):
        for instruction in decoder.disasm(section.get_data()[:section.Misc_VirtualSize],
                                          section.VirtualAddress):
            registers = [operand.reg for operand in instruction.operands
                         if operand.type == capstone.CS_OP_REG]
            registers += [register for operand in instruction.operands
                          if operand.type == capstone.CS_OP_MEM
                          for register in (operand.mem.base, operand.mem.index)]
            if {decoder.reg_name(register) for register in registers if register} & {"x18", "w18"}:
                found.append(f"{instruction.mnemonic} {instruction.op_str} at "
                             f"{instruction.address:#x} names x18, Windows' TEB register")
    return found


def pe_x18(program):
    return arm64_x18(pe_file(program))


def planted(data, rva, change):
    """A copy of a PE file's bytes with the four at rva changed by
    change(bytes), written in place: pefile's write() would put back what
    it parsed."""
    copy = bytearray(data)
    offset = pefile.PE(data=data, fast_load=True).get_offset_from_rva(rva)
    copy[offset:offset + 4] = change(bytes(copy[offset:offset + 4]))
    return bytes(copy)


def pe_planted_faults(program, link_map):
    """The unwind and x18 checks fail on copies of the program each with one
    fault planted: the entry routine's unwind entry dropped, shortened by an
    instruction, or its first unwind code changed; and on ARM64 the entry
    routine's second instruction writing x18."""
    with open(program, "rb") as file:
        data = file.read()
    pe = pefile.PE(data=data)
    arm64 = pe.FILE_HEADER.Machine == pefile.MACHINE_TYPE["IMAGE_FILE_MACHINE_ARM64"]
    directory = pe.OPTIONAL_HEADER.DATA_DIRECTORY[pe_unwind.EXCEPTION]
    size = 8 if arm64 else 12
    table = pe.get_data(directory.VirtualAddress, directory.Size)
    entry = pe.OPTIONAL_HEADER.AddressOfEntryPoint
    index = next((i for i in range(0, len(table), size)
                  if struct.unpack_from("<I", table, i)[0] == entry), None)
    if index is None:
        return ["no unwind entry starts at the entry point: nothing to plant faults in"]
    unwind = struct.unpack_from("<I", table, index + (4 if arm64 else 8))[0]
    where = directory.VirtualAddress + index

    def little(change):
        return lambda old: struct.pack("<I", change(struct.unpack("<I", old)[0]))

    dropped = bytearray(data)
    start = pe.get_offset_from_rva(directory.VirtualAddress)
    dropped[start:start + len(table)] = table[:index] + table[index + size:] + bytes(size)
    struct.pack_into("<I", dropped, directory.get_file_offset() + 4, directory.Size - size)
    if not arm64:
        faults = [("shortened", planted(data, where + 4, little(lambda end: end - 4))),
                  ("with its first code changed", planted(data, unwind + 4, little(
                      lambda slot: slot + 0x1000)))]
    elif unwind & 3:
        faults = [("shortened", planted(data, where + 4, little(lambda word: word - 4))),
                  ("with its frame size changed", planted(data, where + 4, little(
                      lambda word: word + (1 << 23))))]
    else:
        codes = unwind + 4 + 4 * (0 if unwind >> 21 & 1 else
                                  int.from_bytes(pe.get_data(unwind, 4), "little") >> 22 & 31)
        faults = [("shortened", planted(data, unwind, little(lambda header: header - 1))),
                  ("with its first code a nop",
                   planted(data, codes, lambda old: b"\xe3" + old[1:]))]
    faults.insert(0, ("dropped", bytes(dropped)))
    problems = []
    for fault, copy in faults:
        if not unwind_problems(pefile.PE(data=copy), link_map):
            problems.append(f"the unwind check passes the entry routine's entry {fault}")
    if arm64:
        copy = planted(data, entry + 4, little(lambda word: word & ~31 | 18))
        if not arm64_x18(pefile.PE(data=copy)):
            problems.append("the x18 check passes an instruction that writes x18")
    return problems


# What a C runtime's start-up or exit would run: initialiser and finaliser
# tables, the dynamic entries that find them, and thread-local data to set up.
START_UP_SECTIONS = {".preinit_array", ".init_array", ".fini_array", ".ctors", ".dtors"}
START_UP_TAGS = {"DT_PREINIT_ARRAY", "DT_INIT_ARRAY", "DT_FINI_ARRAY", "DT_INIT", "DT_FINI"}
PE_START_UP_SECTIONS = {".ctors", ".dtors", ".CRT", ".tls"}


def pseudo_relocations(link_map):
    """The size of each runtime pseudo-relocation list GNU ld's map of a PE
    program shows: only a C runtime applies one. lld shows none in its map,
    and refuses to make one (--disable-runtime-pseudo-reloc)."""
    with open(link_map, encoding="utf-8", errors="replace") as file:
        text = file.read()
    return [int(size, 16) for size in re.findall(
        r"^ \.rdata_runtime_pseudo_reloc\s+0x[0-9a-f]+\s+0x([0-9a-f]+) ", text, re.M)
        if int(size, 16)]


def no_start_up_work(program, link_map=None):
    """Nothing in the program needs running before its entry or after its
    exit, since nothing would run it: a global initialised at run time, a
    constructor, thread-local data, or on Windows a runtime pseudo-relocation
    list, found in the link map. GNU ld folds a PE program's .ctors into
    .text, where only the link map shows them: the build's check reads that."""
    with open(program, "rb") as file:
        data = file.read()
    if data.startswith(b"MZ"):
        pe = pefile.PE(data=data)
        tls = pe.OPTIONAL_HEADER.DATA_DIRECTORY[pefile.DIRECTORY_ENTRY["IMAGE_DIRECTORY_ENTRY_TLS"]]
        problems = [f"section {section_name(section)} ({section.Misc_VirtualSize} bytes)"
                    for section in pe.sections
                    if section_name(section) in PE_START_UP_SECTIONS and section.Misc_VirtualSize]
        problems += [f"a runtime pseudo-relocation list ({size} bytes)"
                     for size in (pseudo_relocations(link_map) if link_map else [])]
        return problems + ([f"a TLS directory ({tls.Size} bytes)"] if tls.Size else [])
    elf = ELFFile(io.BytesIO(data))
    problems = [f"section {section.name} ({section['sh_size']} bytes)"
                for section in elf.iter_sections()
                if section.name in START_UP_SECTIONS and section["sh_size"]]
    for segment in elf.iter_segments():
        if segment["p_type"] == "PT_TLS":
            problems.append("a TLS segment (PT_TLS)")
        elif segment["p_type"] == "PT_DYNAMIC":
            problems += [f"dynamic entry {tag.entry.d_tag}" for tag in segment.iter_tags()
                         if tag.entry.d_tag in START_UP_TAGS]
    return problems


CHECKS = {
    "no-interpreter": no_interpreter,
    "no-relocations": no_relocations,
    "no-start-up-work": no_start_up_work,
    "segments": segments,
    "system-calls": system_calls,
    "signal-set": signal_set,
    "s390x-entry": s390x_entry,
    "ppc64-entry": ppc64_entry,
    "powerpc-entry": powerpc_entry,
    "alpha-entry": alpha_entry,
    "hppa-entry": hppa_entry,
    "elf-machine": elf_machine,
    "pe-imports": pe_imports,
    "pe-hardening": pe_hardening,
    "pe-unwind": pe_unwind_check,
    "pe-x18": pe_x18,
    "pe-planted-faults": pe_planted_faults,
    "trace-formats": trace_formats,
    "entry-sequences": entry_sequences,
}
def usage(problem):
    print(f"{problem}\n{__doc__[__doc__.index('usage:'):]}", end="", file=sys.stderr)
    return 2


def run_check(check, arguments):
    """Runs one check, printing what it found; returns its exit status."""
    if check not in CHECKS:
        return usage(f"no such check: {check}" if check else "no check given")
    try:
        inspect.signature(CHECKS[check]).bind(*arguments)
    except TypeError as wrong:
        return usage(f"{check}: {wrong}")
    try:
        problems = CHECKS[check](*arguments)
    except Skipped as reason:
        print(f"{check}: skipped: {reason}")
        note_skip(f"e2e.program.{check}: {reason}")
        return SKIPPED
    except (OSError, ValueError) as failed:
        problems = [str(failed)]
    except ELFError as unreadable:
        problems = [f"{arguments[0]} is not an ELF file pyelftools reads: {unreadable}"]
    except pefile.PEFormatError as unreadable:
        problems = [f"{arguments[0]} is not a PE file pefile reads: {unreadable}"]
    for problem in problems:
        print(f"{check}: {problem}")
    if not problems:
        print(f"{check}: ok")
    return 1 if problems else 0


def main():
    groups = [[]]
    for argument in sys.argv[1:]:
        if argument == "--and":
            groups.append([])
        else:
            groups[-1].append(argument)
    statuses = {run_check(group[0] if group else "", group[1:]) for group in groups}
    # Usage first, since the checks may not be the ones asked for.
    return next((status for status in (2, 1, SKIPPED) if status in statuses), 0)


if __name__ == "__main__":
    sys.exit(main())
