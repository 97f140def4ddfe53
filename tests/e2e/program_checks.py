#!/usr/bin/env python3
"""Checks what the built program is, rather than what it prints: that it
needs no runtime, asks the system for nothing but its one write and its exit,
and is hardened as a loader expects.

usage: program_checks.py CHECK PROGRAM [TOOL] [-- EMULATOR...]
"""

import re
import subprocess
import sys

TEXT_SIZE = 8000


def output_of(*command):
    return subprocess.run(command, check=True, capture_output=True, text=True).stdout


def elf_segments(program):
    """(type, flags) for each program header."""
    headers = output_of("readelf", "--wide", "--program-headers", program)
    return re.findall(r"^\s+([A-Z_]+)\s+0x\S+\s+0x\S+\s+0x\S+\s+0x\S+\s+0x\S+\s+([RWE ]+?)\s+0x",
                      headers, re.MULTILINE)


def no_interpreter(program):
    segments = elf_segments(program)
    if not segments:
        return ["no program headers found"]
    kinds = [kind for kind, _ in segments]
    header = output_of("readelf", "--wide", "--file-header", program)
    problems = []
    if "INTERP" in kinds:
        problems.append("has a program interpreter")
    if "DYN" not in header:
        problems.append("not position-independent (type is not DYN)")
    return problems


def no_relocations(program):
    relocations = output_of("readelf", "--relocs", program)
    if "There are no relocations in this file." not in relocations:
        return [f"relocations left to apply:\n{relocations}"]
    return []


def segments(program):
    problems = []
    found = elf_segments(program)
    for kind, flags in found:
        if "W" in flags and "E" in flags:
            problems.append(f"{kind} segment is writable and executable")
    stacks = [flags for kind, flags in found if kind == "GNU_STACK"]
    if stacks != ["RW"]:
        problems.append(f"stack is not marked non-executable: {stacks}")
    return problems


def system_calls(program, *emulator):
    """Under strace, or qemu-user's own -strace for a program the host cannot
    run: the signal-mask set-up, one write of the whole text to standard
    output, the exit with status 0, and nothing else. qemu shows neither the
    mask nor the bytes; the unit tests and the stdout states cover those."""
    if emulator:
        command = [emulator[0], "-strace", *emulator[1:], program]
        patterns = [
            r"^\d+ rt_sigprocmask\(SIG_BLOCK,0x[0-9a-f]+,NULL\) = 0$",
            rf"^\d+ write\(1,0x[0-9a-f]+,{TEXT_SIZE}\) = {TEXT_SIZE}$",
            r"^\d+ exit_group\(0\)$",
        ]
    else:
        command = ["strace", "--quiet=all", "-f", program]
        patterns = [
            r"execve\(",
            r"rt_sigprocmask\(SIG_BLOCK, \[PIPE XFSZ\], NULL, 8\) = 0$",
            rf"write\(1, \"A\*A\*.*\"\.\.\., {TEXT_SIZE}\) = {TEXT_SIZE}$",
            r"exit_group\(0\)\s+= \?$",
        ]
    trace = subprocess.run(command, capture_output=True, text=True, check=False)
    calls = [line for line in trace.stderr.splitlines() if line and not line.startswith("[")]
    problems = []
    if trace.returncode != 0:
        problems.append(f"exit status {trace.returncode}")
    if len(calls) != len(patterns) or not all(
            re.search(pattern, call) for pattern, call in zip(patterns, calls)):
        problems.append("system calls differ:\n" + "\n".join(calls))
    if trace.stdout != "A*" * (TEXT_SIZE // 2):
        problems.append("standard output is not the text")
    return problems


def pe_imports(program, objdump):
    dump = output_of(objdump, "--private-headers", program)
    dlls = re.findall(r"DLL Name: (\S+)", dump)
    imports = sorted(re.findall(r"^\s+[0-9a-f]+\s+\d+\s+(\w+)$", dump, re.MULTILINE))
    problems = []
    if dlls != ["KERNEL32.dll"]:
        problems.append(f"imports from {dlls}, expected KERNEL32.dll only")
    if imports != ["ExitProcess", "GetStdHandle", "WriteFile"]:
        problems.append(f"imports {imports}")
    return problems


def pe_hardening(program, objdump):
    dump = output_of(objdump, "--private-headers", program)
    problems = []
    characteristics = re.search(r"^DllCharacteristics\s+([0-9a-f]+)", dump, re.MULTILINE)
    flags = int(characteristics.group(1), 16) if characteristics else 0
    if not flags & 0x0040:
        problems.append("not DYNAMIC_BASE")
    if not flags & 0x0100:
        problems.append("not NX_COMPAT")
    # Without base relocations the loader cannot move the program after all.
    file_flags = re.search(r"^Characteristics\s+0x([0-9a-f]+)", dump, re.MULTILINE)
    if not file_flags or int(file_flags.group(1), 16) & 0x0001:
        problems.append("base relocations stripped: it cannot be moved")
    if not re.search(r"^Subsystem\s+00000003", dump, re.MULTILINE):
        problems.append("not a console program")
    if not re.search(r"^Magic\s+010b", dump, re.MULTILINE):
        problems.append("not PE32")
    return problems


CHECKS = {
    "no-interpreter": no_interpreter,
    "no-relocations": no_relocations,
    "segments": segments,
    "system-calls": system_calls,
    "pe-imports": pe_imports,
    "pe-hardening": pe_hardening,
}


def main():
    arguments = sys.argv[1:]
    emulator = []
    if "--" in arguments:
        emulator = arguments[arguments.index("--") + 1:]
        arguments = arguments[:arguments.index("--")]
    check, *arguments = arguments
    # Only running the program needs the emulator; the file checks read it.
    if check == "system-calls":
        arguments += emulator
    problems = CHECKS[check](*arguments)
    for problem in problems:
        print(f"{check}: {problem}")
    if not problems:
        print(f"{check}: ok")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
