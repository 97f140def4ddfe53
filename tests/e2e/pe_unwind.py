"""The unwind tables of a 64-bit PE program, held against its code as
Windows' unwinder reads them: entries sorted, apart, each within one
function and covering every function that needs one, and each entry's
codes describing the prologue and the epilogues the instructions show.

Functions are found in the link map, their instructions with capstone
(4.0 and later). What Windows defines and these programs never use (chained
entries, frame registers on x64, save_next and custom stacks on ARM64) is
reported as unread rather than passed."""

import re
import struct

import capstone
import pefile

EXCEPTION = pefile.DIRECTORY_ENTRY["IMAGE_DIRECTORY_ENTRY_EXCEPTION"]


def map_functions(link_map, pe):
    """[(name, start, end)] of the functions the link map places in code, as
    RVAs: a function ends where the next starts or its input section ends.
    Reads GNU ld's map and lld's."""
    with open(link_map, encoding="utf-8", errors="replace") as file:
        text = file.read()
    base = pe.OPTIONAL_HEADER.ImageBase
    if text.startswith("Address"):  # lld: "RVA SIZE ALIGN" then file or symbol
        sections = [(int(start, 16), int(start, 16) + int(size, 16)) for start, size in
                    re.findall(r"^([0-9a-f]+) ([0-9a-f]+) +\d+ {9}\S.*$", text, re.M)]
        symbols = [(int(start, 16), name) for start, name in
                   re.findall(r"^([0-9a-f]+) [0-9a-f]+ +\d+ {17}(\S.*)$", text, re.M)]
    else:  # GNU ld: " .text  0xADDRESS 0xSIZE FILE", then "  0xADDRESS  SYMBOL"
        text = text[text.find("Linker script and memory map"):]
        sections = [(int(start, 16) - base, int(start, 16) + int(size, 16) - base)
                    for start, size in re.findall(
                        r"^ \.text\S*\s+0x([0-9a-f]+)\s+0x([0-9a-f]+) \S", text, re.M)]
        symbols = [(int(start, 16) - base, name) for start, name in re.findall(
            r"^\s+0x([0-9a-f]+)\s+(?!0x)(\S[^=\[\n]*?)\s*$", text, re.M)]
    execute = pefile.SECTION_CHARACTERISTICS["IMAGE_SCN_MEM_EXECUTE"]
    code = [section for section in pe.sections if section.Characteristics & execute]
    starts = sorted({(start, name) for start, name in symbols
                     if any(section.contains_rva(start) for section in code)})
    functions = []
    for index, (start, name) in enumerate(starts):
        if functions and functions[-1][1] == start:
            continue  # lld lists a symbol once per name it is known by
        ends = [end for begin, end in sections if begin <= start < end]
        ends += [later for later, _ in starts[index + 1:] if later > start][:1]
        functions.append((name, start, min(ends) if ends else start))
    return functions


def instructions(pe, decoder, start, end):
    """The instructions from start to end (RVAs), leaving out the padding
    after the last: nops, int3, and words capstone reads as none."""
    found = list(decoder.disasm(pe.get_data(start, end - start), start))
    while found and found[-1].mnemonic in ("nop", "int3", "udf"):
        found.pop()
    return found


def layout_problems(entries, functions, bare):
    """Entries [(begin, end)] sorted and apart, each within one function; and
    each function [(name, start, end, end of its last instruction)] that
    bare(name) does not let go without, covered by entries from its start
    to its last instruction."""
    problems = []
    for (begin, end), (next_begin, _) in zip(entries, entries[1:]):
        if next_begin < end:
            problems.append(f"entry {begin:#x}-{end:#x} is not before the next, at {next_begin:#x}")
    for begin, end in entries:
        if not any(start <= begin < end <= stop for _, start, stop, _ in functions):
            problems.append(f"entry {begin:#x}-{end:#x} is not within one function")
    for name, start, _, code_end in functions:
        covered = start
        for begin, end in entries:
            if begin == covered:
                covered = end
        if covered < code_end and not bare(name):
            where = "no entry starts" if covered == start else f"entries end at {covered:#x}"
            problems.append(f"{name} at {start:#x}-{code_end:#x}: {where}")
    return problems


# x64: UNWIND_INFO codes, their slots, and the registers they number.
X64_REGISTERS = ["rax", "rcx", "rdx", "rbx", "rsp", "rbp", "rsi", "rdi"] + [
    f"r{number}" for number in range(8, 16)]
X64_NONVOLATILE = {"rbx", "rbp", "rdi", "rsi", "rsp", "r12", "r13", "r14", "r15"} | {
    f"xmm{number}" for number in range(6, 16)}


def x64_aliases():
    """{name: the 64-bit register it is part of} for every general register."""
    aliases = {}
    for letter in "abcd":
        aliases |= {name: f"r{letter}x" for name in
                    (f"r{letter}x", f"e{letter}x", f"{letter}x", f"{letter}l", f"{letter}h")}
    for short in ("si", "di", "bp", "sp"):
        aliases |= {name: f"r{short}" for name in (f"r{short}", f"e{short}", short, f"{short}l")}
    for number in range(8, 16):
        aliases |= {f"r{number}{suffix}": f"r{number}" for suffix in ("", "d", "w", "b")}
    return aliases


X64_ALIASES = x64_aliases()


def x64_full_register(decoder, register):
    """The 64-bit register a register is part of (ebx, bl: rbx), or its name."""
    name = decoder.reg_name(register)
    return X64_ALIASES.get(name, name)


def x64_codes(pe, info):
    """(size of the prologue, [(offset in it, action)] as the codes list them
    at UNWIND_INFO rva `info`), or a str saying what is not read here."""
    version, prologue, count, frame = pe.get_data(info, 4)
    if version & 7 not in (1, 2) or version >> 3 or frame:
        return f"unwind info at {info:#x}: version {version & 7}, flags {version >> 3}, " \
               f"frame register {frame}: not read here"
    slots = struct.unpack(f"<{count}H", pe.get_data(info + 4, 2 * count))
    codes, index = [], 0
    while index < count:
        slot = slots[index]
        offset, operation, argument = slot & 0xFF, slot >> 8 & 15, slot >> 12
        if operation == 0:
            action, index = ("push", X64_REGISTERS[argument]), index + 1
        elif operation == 1 and argument == 0:
            action, index = ("alloc", slots[index + 1] * 8), index + 2
        elif operation == 1:
            action, index = ("alloc", slots[index + 1] | slots[index + 2] << 16), index + 3
        elif operation == 2:
            action, index = ("alloc", argument * 8 + 8), index + 1
        elif operation == 4:
            action, index = ("save", X64_REGISTERS[argument], slots[index + 1] * 8), index + 2
        elif operation == 8:
            action, index = ("save", f"xmm{argument}", slots[index + 1] * 16), index + 2
        else:
            return f"unwind info at {info:#x}: code {operation}: not read here"
        codes.append((offset, action))
    return prologue, codes


def x64_action(decoder, instruction):
    """What a prologue instruction does to the frame, as an unwind code says
    it, or None."""
    operands = instruction.operands
    if instruction.mnemonic == "push" and operands[0].type == capstone.CS_OP_REG:
        return ("push", x64_full_register(decoder, operands[0].reg))
    if (instruction.mnemonic == "sub" and operands[0].type == capstone.CS_OP_REG
            and decoder.reg_name(operands[0].reg) == "rsp"
            and operands[1].type == capstone.CS_OP_IMM):
        return ("alloc", operands[1].imm)
    if (instruction.mnemonic in ("mov", "movaps", "movdqa")
            and operands[0].type == capstone.CS_OP_MEM
            and decoder.reg_name(operands[0].mem.base) == "rsp" and not operands[0].mem.index
            and operands[1].type == capstone.CS_OP_REG):
        return ("save", x64_full_register(decoder, operands[1].reg), operands[0].mem.disp)
    return None


def x64_epilogue(decoder, instruction):
    """What an epilogue instruction undoes, as the prologue's action, or None."""
    operands = instruction.operands
    if instruction.mnemonic == "pop" and operands[0].type == capstone.CS_OP_REG:
        return ("push", x64_full_register(decoder, operands[0].reg))
    if (instruction.mnemonic == "add" and operands[0].type == capstone.CS_OP_REG
            and decoder.reg_name(operands[0].reg) == "rsp"
            and operands[1].type == capstone.CS_OP_IMM):
        return ("alloc", operands[1].imm)
    return None


def writes(decoder, instruction, names):
    return any(x64_full_register(decoder, register) in names
               for register in instruction.regs_access()[1])


def x64_problems(pe, functions):
    """An x64 program: only a leaf, one that neither moves rsp nor writes a
    nonvolatile register, may go without an entry; each entry's codes are,
    in reverse, the frame actions its prologue takes, at the offsets they
    end at; each return is preceded by an epilogue that undoes them all, and
    nothing else moves rsp but calls."""
    decoder = capstone.Cs(capstone.CS_ARCH_X86, capstone.CS_MODE_64)
    decoder.detail = True
    code = {name: instructions(pe, decoder, start, end) for name, start, end in functions}
    functions = [(name, start, end, code[name][-1].address + code[name][-1].size
                  if code[name] else start) for name, start, end in functions]

    def leaf(name):
        return not any(writes(decoder, instruction, X64_NONVOLATILE) and
                       instruction.mnemonic != "ret" for instruction in code[name])

    table = [(entry.struct.BeginAddress, entry.struct.EndAddress, entry.struct.UnwindData)
             for entry in getattr(pe, "DIRECTORY_ENTRY_EXCEPTION", [])]
    problems = layout_problems([(begin, end) for begin, end, _ in table], functions, leaf)
    for begin, end, info in table:
        read = x64_codes(pe, info)
        if isinstance(read, str):
            problems.append(read)
            continue
        prologue, codes = read
        body = list(decoder.disasm(pe.get_data(begin, end - begin), begin))
        head = [instruction for instruction in body if instruction.address < begin + prologue]
        taken = [(instruction.address + instruction.size - begin, x64_action(decoder, instruction))
                 for instruction in head]
        if any(action is None and writes(decoder, instruction, {"rsp"})
               for (_, action), instruction in zip(taken, head)):
            problems.append(f"entry {begin:#x}: its prologue moves rsp in a way no code says")
        taken = [(offset, action) for offset, action in taken if action]
        if taken[::-1] != codes:
            problems.append(f"entry {begin:#x}: codes {codes} are not the prologue's {taken[::-1]}")
        undo = [action for _, action in taken if action[0] in ("push", "alloc")][::-1]
        framed = {instruction.address for instruction in head}
        for index, instruction in enumerate(body):
            if instruction.mnemonic != "ret":
                continue
            before = body[index - len(undo):index] if index >= len(undo) else []
            if len(before) != len(undo) or [x64_epilogue(decoder, i) for i in before] != undo:
                problems.append(f"entry {begin:#x}: the return at {instruction.address:#x} "
                                f"is not after an epilogue undoing {undo}")
            framed |= {i.address for i in before + [instruction]}
        problems += [f"entry {begin:#x}: {instruction.mnemonic} {instruction.op_str} at "
                     f"{instruction.address:#x} moves rsp outside prologue and epilogue"
                     for instruction in body if instruction.address not in framed
                     and instruction.mnemonic != "call" and writes(decoder, instruction, {"rsp"})]
    return problems


def arm64_codes(data):
    """[(action, size)] of ARM64 unwind code bytes up to and including the
    first end, each action as the prologue instruction it stands for."""
    codes, index = [], 0
    while index < len(data):
        byte = data[index]
        word = int.from_bytes(data[index:index + 4].ljust(4, b"\0"), "big")
        two = word >> 16
        regp = ("x", 19 + (two >> 6 & 15))
        if byte < 0x20:
            action, size = ("alloc", byte * 16), 1
        elif byte < 0x40:
            action, size = ("save", ("x19", "x20"), -(byte & 31) * 8, True), 1
        elif byte < 0x80:
            action, size = ("save", ("x29", "x30"), (byte & 63) * 8, False), 1
        elif byte < 0xC0:
            action, size = ("save", ("x29", "x30"), -((byte & 63) + 1) * 8, True), 1
        elif byte < 0xC8:
            action, size = ("alloc", (two & 0x7FF) * 16), 2
        elif byte < 0xD0:
            pair = (f"x{regp[1]}", f"x{regp[1] + 1}")
            writeback = bool(byte & 4)
            offset = -((two & 63) + 1) * 8 if writeback else (two & 63) * 8
            action, size = ("save", pair, offset, writeback), 2
        elif byte < 0xD4:
            action, size = ("save", (f"x{regp[1]}",), (two & 63) * 8, False), 2
        elif byte < 0xD6:
            action, size = ("save", (f"x{19 + (two >> 5 & 15)}",), -((two & 31) + 1) * 8, True), 2
        elif byte < 0xD8:
            pair = (f"x{19 + 2 * (two >> 6 & 7)}", "x30")
            action, size = ("save", pair, (two & 63) * 8, False), 2
        elif byte < 0xDE:
            number = 8 + (two >> 6 & 7)
            registers = (f"d{number}", f"d{number + 1}") if byte < 0xDC else (f"d{number}",)
            writeback = byte in (0xDA, 0xDB)
            offset = -((two & 63) + 1) * 8 if writeback else (two & 63) * 8
            action, size = ("save", registers, offset, writeback), 2
        elif byte == 0xDE:
            action, size = ("save", (f"d{8 + (two >> 5 & 7)}",), -((two & 31) + 1) * 8, True), 2
        elif byte == 0xE0:
            action, size = ("alloc", (word & 0xFFFFFF) * 16), 4
        elif byte == 0xE1:
            action, size = ("set_fp",), 1
        elif byte == 0xE2:
            action, size = ("add_fp", (two & 0xFF) * 8), 2
        elif byte == 0xE3:
            action, size = ("nop",), 1
        elif byte in (0xE4, 0xE5):
            return codes + [(("end",), 1)]
        elif byte == 0xFC:
            action, size = ("pac",), 1
        else:
            raise ValueError(f"unwind code {byte:#04x}: not read here")
        codes.append((action, size))
        index += size
    raise ValueError("unwind codes without an end")


def arm64_packed(unwind):
    """The prologue codes (in the order stored: last instruction first) of
    packed unwind data, and those of its epilogue, as Microsoft's table
    expands them."""
    registers, chained = unwind >> 16 & 15, unwind >> 21 & 3
    floats, homed, frame = unwind >> 13 & 7, unwind >> 20 & 1, (unwind >> 23) * 16
    if floats or chained == 2 or registers > 10:
        raise ValueError(f"packed unwind data {unwind:#x}: not read here")
    integers = registers * 8 + (8 if chained == 1 else 0)
    saved = (integers + 8 * 8 * homed + 15) & ~15
    local = frame - saved
    steps = []  # in prologue order
    names = [f"x{19 + number}" for number in range(registers)] + (["x30"] if chained == 1 else [])
    for index in range(0, len(names), 2):
        pair = tuple(names[index:index + 2])
        steps.append(("save", pair, -saved, True) if index == 0
                     else ("save", pair, index * 8, False))
    steps += [("nop",)] * (4 * homed)
    if chained == 3 and local <= 512:
        steps += [("save", ("x29", "x30"), -local, True), ("set_fp",)]
    else:
        for part in ([local] if local <= 4088 else [4088, local - 4088]) if local else []:
            steps.append(("alloc", part))
        if chained == 3:
            steps += [("save", ("x29", "x30"), 0, False), ("set_fp",)]
    epilogue = [step for step in steps if step not in (("set_fp",), ("nop",))][::-1]
    return steps[::-1] + [("end",)], epilogue + [("end",)]


def arm64_action(decoder, instruction, prologue):
    """The unwind action an ARM64 prologue instruction takes, or that an
    epilogue instruction undoes, or None."""
    name = {"fp": "x29", "lr": "x30"}
    registers = [name.get(decoder.reg_name(o.reg), decoder.reg_name(o.reg))
                 for o in instruction.operands if o.type == capstone.CS_OP_REG]
    memory = [o.mem for o in instruction.operands if o.type == capstone.CS_OP_MEM]
    numbers = [o.imm << (o.shift.value if o.shift.type else 0)
               for o in instruction.operands if o.type == capstone.CS_OP_IMM]
    mnemonic = instruction.mnemonic
    if mnemonic == ("pacibsp" if prologue else "autibsp"):
        return ("pac",)
    if mnemonic == "ret" and not prologue:
        return ("end",)
    if memory and decoder.reg_name(memory[0].base) == "sp" and mnemonic in (
            ("stp", "str") if prologue else ("ldp", "ldr")):
        if registers[0] in [f"x{number}" for number in range(8)]:
            return ("nop",)
        # Pre- and post-indexed forms write sp; capstone 5 moved its writeback flag.
        writeback = any(decoder.reg_name(register) == "sp"
                        for register in instruction.regs_access()[1])
        offset = memory[0].disp if prologue or not writeback else -(numbers or [memory[0].disp])[0]
        return ("save", tuple(registers), offset, writeback)
    moves = {True: (["x29", "sp"], "sub", "add"), False: (["sp", "x29"], "add", "sub")}[prologue]
    if mnemonic in ("mov", "add") and registers == moves[0] and not any(numbers):
        return ("set_fp",)
    if registers == ["sp", "sp"] and mnemonic == moves[1] and numbers:
        return ("alloc", numbers[0])
    if registers == moves[0] and mnemonic == moves[2] and numbers:
        return ("add_fp", numbers[0])
    return None


def arm64_entry(pe, begin, unwind):
    """(length in bytes, prologue codes, [(epilogue start RVA, codes)]) of
    one ARM64 entry, packed or in .xdata."""
    if unwind & 3 == 1:
        prologue, epilogue = arm64_packed(unwind)
        length = (unwind >> 2 & 0x7FF) * 4
        return length, prologue, [(begin + length - 4 * len(epilogue), epilogue)]
    if unwind & 3:
        raise ValueError(f"entry {begin:#x}: packed fragment: not read here")
    header = int.from_bytes(pe.get_data(unwind, 4), "little")
    length, single = (header & 0x3FFFF) * 4, header >> 21 & 1
    epilogues, words = header >> 22 & 31, header >> 27
    if header >> 18 & 3 or header >> 20 & 1 or not (epilogues or words):
        raise ValueError(f"entry {begin:#x}: .xdata header {header:#x}: not read here")
    scopes = [] if single else list(struct.unpack(
        f"<{epilogues}I", pe.get_data(unwind + 4, 4 * epilogues)))
    data = pe.get_data(unwind + 4 + 4 * len(scopes), 4 * words)
    prologue = [action for action, _ in arm64_codes(data)]
    if single:  # the one epilogue ends the function; its codes start at index `epilogues`
        codes = [action for action, _ in arm64_codes(data[epilogues:])]
        return length, prologue, [(begin + length - 4 * len(codes), codes)]
    return length, prologue, [(begin + (scope & 0x3FFFF) * 4,
                               [action for action, _ in arm64_codes(data[scope >> 22:])])
                              for scope in scopes]


def arm64_problems(pe, functions):
    """An ARM64 program: every function covered; each entry's prologue
    codes, in reverse, the instructions at its start; each epilogue's codes
    the instructions at its start, ending with the return; every return
    the end of an epilogue, and nothing else moving sp."""
    decoder = capstone.Cs(capstone.CS_ARCH_ARM64, capstone.CS_MODE_ARM)
    decoder.detail = True
    where = pe.OPTIONAL_HEADER.DATA_DIRECTORY[EXCEPTION]
    table = list(struct.iter_unpack("<II", pe.get_data(where.VirtualAddress, where.Size)
                                    if where.Size else b""))
    problems, entries, described = [], [], []
    for begin, unwind in table:
        try:
            length, prologue, epilogues = arm64_entry(pe, begin, unwind)
        except ValueError as unread:
            problems.append(str(unread))
            continue
        entries.append((begin, begin + length))
        code = list(decoder.disasm(pe.get_data(begin, length), begin))
        if len(code) * 4 != length:
            problems.append(f"entry {begin:#x}: capstone reads {len(code)} of "
                            f"{length // 4} instructions")
            continue
        steps = prologue[:-1][::-1]
        taken = [arm64_action(decoder, instruction, True) for instruction in code[:len(steps)]]
        if taken != steps:
            problems.append(f"entry {begin:#x}: prologue codes {steps} are not its "
                            f"instructions' {taken}")
        framed = {instruction.address for instruction in code[:len(steps)]}
        for start, codes in epilogues:
            index = (start - begin) // 4
            taken = [arm64_action(decoder, instruction, False)
                     for instruction in code[index:index + len(codes)]]
            if index < 0 or taken != codes:
                problems.append(f"entry {begin:#x}: epilogue codes {codes} at {start:#x} are "
                                f"not its instructions' {taken}")
            framed |= {instruction.address for instruction in code[index:index + len(codes)]}
            described.append(start + 4 * (len(codes) - 1))
        for instruction in code:
            moves_sp = any(decoder.reg_name(register) == "sp"
                           for register in instruction.regs_access()[1])
            if instruction.address in framed:
                continue
            if instruction.mnemonic == "ret" or moves_sp:
                problems.append(f"entry {begin:#x}: {instruction.mnemonic} {instruction.op_str} "
                                f"at {instruction.address:#x} is in no prologue or epilogue")
    entries.sort()
    functions = [(name, start, end, end) for name, start, end in functions]
    return layout_problems(entries, functions, lambda name: False) + problems
