#!/usr/bin/env python3
"""Holds CMakePresets.json, platform/linux/arch/ and debian/control to
targets.txt, the table of targets: each row has its configure, build and test
presets, which build for the row's triple with the row's compiler and
toolchain, and its header; no other preset builds for a target of its own;
and the Debian package is built for exactly the Linux rows' architectures.

usage: targets_check.py SOURCE_DIR
"""

import json
import re
import sys
from pathlib import Path

# Each system's toolchain file, and a compiler's own where it has one: mingw-w64
# builds Windows programs with GCC, clang and lld build them from parts.
TOOLCHAINS = {"linux": "cmake/linux.cmake", "windows": "cmake/mingw-w64.cmake",
              ("windows", "clang"): "cmake/windows-llvm.cmake"}
# How a program is loaded, which the build and the program checks read.
ADDRESSES = {"linux": ["pie", "fixed"], "windows": ["-"]}


class Row(dict):
    """A row of the table by its header row's names; asked for a column the
    header does not name, the check stops, naming it."""

    def __missing__(self, column):
        sys.exit(f"targets.txt has no column {column}: its header row names {' '.join(self)}")


def table(root):
    """The header row's column names, then each row as a list of fields."""
    lines = [line.split() for line in (root / "targets.txt").read_text().splitlines()
             if line.strip() and not line.startswith("#")]
    return lines[0], lines[1:]


def resolved(presets, name):
    """A configure preset's cache variables and toolchain, with what it inherits."""
    preset = presets[name]
    variables, toolchain = {}, None
    parents = preset.get("inherits", [])
    for parent in [parents] if isinstance(parents, str) else parents:
        inherited, parent_toolchain = resolved(presets, parent)
        variables.update(inherited)
        toolchain = toolchain or parent_toolchain
    variables.update(preset.get("cacheVariables", {}))
    return variables, preset.get("toolchainFile", toolchain)


def problems(root):
    document = json.loads((root / "CMakePresets.json").read_text())
    configure = {preset["name"]: preset for preset in document["configurePresets"]}
    kinds = {kind: {preset["name"]: preset.get("configurePreset")
                    for preset in document.get(kind, [])}
             for kind in ("buildPresets", "testPresets")}
    found = []
    columns, fields = table(root)
    targets = []
    for row in fields:
        if len(row) != len(columns):
            found.append(f"{row[0]}: the row has {len(row)} fields for {len(columns)} columns")
            continue
        targets.append(Row(zip(columns, row)))
    for row in targets:
        name = row["preset"]
        if name not in configure or configure[name].get("hidden"):
            found.append(f"{name}: no configure preset")
            continue
        variables, toolchain = resolved(configure, name)
        if variables.get("PACKTEXT_TRIPLE") != row["triple"]:
            found.append(f"{name}: its preset builds for {variables.get('PACKTEXT_TRIPLE')}, "
                         f"its row for {row['triple']}")
        wanted = TOOLCHAINS.get((row["system"], row["compiler"])) or TOOLCHAINS.get(row["system"], "?")
        if toolchain != "${sourceDir}/" + wanted:
            found.append(f"{name}: toolchain {toolchain} for a {row['system']} target")
        clang = variables.get("CMAKE_CXX_COMPILER") == "clang++"
        if clang != (row["compiler"] == "clang"):
            found.append(f"{name}: its preset's compiler is not its row's {row['compiler']}")
        for kind, configured in kinds.items():
            if configured.get(name) != name:
                found.append(f"{name}: no {kind[:-1]} for it")
        header = root / "platform/linux/arch" / row["header"]
        start = header.with_name(header.stem + "_start.hpp")
        if row["system"] == "linux" and not header.is_file():
            found.append(f"{name}: no header {header}")
        if row["system"] == "linux" and row["entry"] != "ProgramEntry" and not start.is_file():
            found.append(f"{name}: enters at {row['entry']}, but there is no {start}")
        if row["address"] not in ADDRESSES[row["system"]]:
            found.append(f"{name}: address {row['address']}, not one of {ADDRESSES[row['system']]}")
    linux = {row["debian"] for row in targets if row["system"] == "linux"}
    control = (root / "debian/control").read_text()
    listed = set(re.search(r"^Architecture:(.*)$", control, re.MULTILINE).group(1).split())
    if listed != linux:
        found.append(f"debian/control: Architecture: {' '.join(sorted(listed))}; "
                     f"the Linux rows: {' '.join(sorted(linux))}")
    named = {row["preset"] for row in targets}
    for name, preset in configure.items():
        variables, toolchain = resolved(configure, name)
        if (not preset.get("hidden") and name not in named
                and (toolchain or "PACKTEXT_TRIPLE" in variables)):
            found.append(f"{name}: a preset for a target that targets.txt does not have")
    return found


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__[__doc__.index("usage:"):])
    found = problems(Path(sys.argv[1]))
    for problem in found:
        print(problem)
    print("targets: ok" if not found else f"targets: {len(found)} problems")
    return 1 if found else 0


if __name__ == "__main__":
    sys.exit(main())
