#!/usr/bin/env python3
"""Holds CMakePresets.json, platform/linux/arch/, debian/control and the
packages' filters to targets.txt, the table of targets: CMakePresets.json is
what scripts/presets writes from the table, and each row has its configure,
build and test presets, which build for the row's triple with the row's
compiler and toolchain, and its header; no other preset builds for a target of
its own; the Debian package is built for exactly the Linux rows'
architectures; and the lintian overrides and rpmlint's filter for a program
at a fixed address name exactly the rows whose address is fixed.

usage: targets_check.py SOURCE_DIR
"""

import json
import re
import subprocess
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


def address(row):
    """How the row's program is loaded: the address column's first field."""
    return row["address"].split(",")[0]


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


def generated_presets(root):
    """Problems with CMakePresets.json as scripts/presets would write it."""
    run = subprocess.run([sys.executable, str(root / "scripts/presets"), "--print"],
                         capture_output=True, text=True, check=False)
    if run.returncode != 0:
        return [f"scripts/presets failed: {run.stderr.strip()}"]
    if run.stdout != (root / "CMakePresets.json").read_text():
        return ["CMakePresets.json is not what scripts/presets writes from targets.txt: "
                "run scripts/presets"]
    return []


def fixed_address_filters(root, targets):
    """Problems with the packages' filters of the fixed-address findings."""
    found = []
    fixed = {row["debian"] for row in targets if address(row) == "fixed"}
    overrides = (root / "debian/packtext.lintian-overrides").read_text()
    for tag, negated in (("shared-library-lacks-prerequisites", "!"),
                         ("statically-linked-binary", "")):
        match = re.search(r"^packtext \[([^]]*)\]: " + tag, overrides, re.MULTILINE)
        named = set(match.group(1).replace("!", "").split()) if match else set()
        if not match or named != fixed or any(
                (name.startswith("!")) != bool(negated) for name in match.group(1).split()):
            found.append(f"debian/packtext.lintian-overrides: {tag} is not qualified by "
                         f"[{' '.join(negated + name for name in sorted(fixed))}]")
    rpm = {row["rpm"] for row in targets if address(row) == "fixed" and row["rpm"] != "-"}
    toml = (root / "packaging/rpm/rpmlint.toml").read_text()
    match = re.search(r"packtext\\.\(([^)]*)\): W: position-independent-executable-suggested",
                      toml)
    named = set(match.group(1).split("|")) if match else set()
    if named != rpm:
        found.append("packaging/rpm/rpmlint.toml: position-independent-executable-suggested "
                     f"is filtered for {' '.join(sorted(named))}, not the fixed rows' "
                     f"{' '.join(sorted(rpm))}")
    return found


def problems(root):
    document = json.loads((root / "CMakePresets.json").read_text())
    configure = {preset["name"]: preset for preset in document["configurePresets"]}
    kinds = {kind: {preset["name"]: preset.get("configurePreset")
                    for preset in document.get(kind, [])}
             for kind in ("buildPresets", "testPresets")}
    found = generated_presets(root)
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
        start = root / "platform/linux/arch" / row["start"]
        if row["system"] == "linux" and not header.is_file():
            found.append(f"{name}: no header {header}")
        if row["system"] == "linux" and row["entry"] != "ProgramEntry" and not start.is_file():
            found.append(f"{name}: enters at {row['entry']}, but there is no {start}")
        if row["entry"] == "ProgramEntry" and row["start"] != "-":
            found.append(f"{name}: enters at ProgramEntry, not at its start {row['start']}")
        if address(row) not in ADDRESSES[row["system"]]:
            found.append(f"{name}: address {address(row)}, not one of {ADDRESSES[row['system']]}")
        if address(row) != "fixed" and "," in row["address"]:
            found.append(f"{name}: options for code at a fixed address, but loaded {address(row)}")
    linux = {row["debian"] for row in targets if row["system"] == "linux"}
    control = (root / "debian/control").read_text()
    listed = set(re.search(r"^Architecture:(.*)$", control, re.MULTILINE).group(1).split())
    if listed != linux:
        found.append(f"debian/control: Architecture: {' '.join(sorted(listed))}; "
                     f"the Linux rows: {' '.join(sorted(linux))}")
    found += fixed_address_filters(root, targets)
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
