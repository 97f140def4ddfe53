#!/usr/bin/env python3
"""Builds the packages of a build tree with cpack into a scratch directory and
checks each: the files it holds, that its program is the one just built, and,
for the Linux packages, that the program runs from it and prints the text.

usage: package_check.py BUILD_DIR PROGRAM [EMULATOR...]
"""

import os
import stat
import subprocess
import sys
import tempfile
import zipfile

TEXT = b"A*" * 4000


def members_of(package, into):
    """Extracts `package` below `into`; returns {relative path: full path} of its files."""
    if package.endswith(".zip"):
        with zipfile.ZipFile(package) as archive:
            archive.extractall(into)
    elif package.endswith(".tar.gz"):
        subprocess.run(["tar", "-xzf", package, "-C", into], check=True)
    elif package.endswith(".deb"):
        subprocess.run(["dpkg-deb", "--extract", package, into], check=True)
    files = {}
    for directory, _, names in os.walk(into):
        for name in names:
            path = os.path.join(directory, name)
            files[os.path.relpath(path, into)] = path
    return files


def expected_files(package, top):
    if package.endswith(".zip"):
        return {f"{top}/packtext.exe", f"{top}/README.md", f"{top}/LICENSE"}
    if package.endswith(".tar.gz"):
        return {f"{top}/bin/packtext", f"{top}/share/doc/packtext/README.md",
                f"{top}/share/doc/packtext/LICENSE"}
    return {"usr/bin/packtext", "usr/share/doc/packtext/README.md",
            "usr/share/doc/packtext/LICENSE"}


def check(package, program, emulator):
    problems = []
    name = os.path.basename(package)
    top = name.removesuffix(".zip").removesuffix(".tar.gz")
    with tempfile.TemporaryDirectory() as into:
        files = members_of(package, into)
        expected = expected_files(package, top)
        if set(files) != expected:
            return [f"{name} holds {sorted(files)}, expected {sorted(expected)}"]
        packed = next(files[path] for path in expected
                      if os.path.basename(path) in ("packtext", "packtext.exe"))
        with open(packed, "rb") as ours, open(program, "rb") as built:
            if ours.read() != built.read():
                problems.append(f"{name}: the program differs from the one built")
        if not package.endswith(".zip"):
            if not os.stat(packed).st_mode & stat.S_IXUSR:
                problems.append(f"{name}: the program is not executable")
            run = subprocess.run([*emulator, packed], capture_output=True, check=False)
            if run.returncode != 0 or run.stdout != TEXT:
                problems.append(f"{name}: the packed program printed {len(run.stdout)} bytes, "
                                f"exit status {run.returncode}")
    if package.endswith(".deb"):
        control = subprocess.run(["dpkg-deb", "--field", package, "Package", "Architecture"],
                                 capture_output=True, text=True, check=True).stdout
        print(f"{name}: {' '.join(control.split())}")
    return problems


def main():
    build_dir, program, *emulator = sys.argv[1:]
    with tempfile.TemporaryDirectory() as output:
        subprocess.run(["cpack", "-B", output], cwd=build_dir, check=True, capture_output=True)
        packages = sorted(os.path.join(output, name) for name in os.listdir(output)
                          if name.endswith((".zip", ".tar.gz", ".deb")))
        kinds = {os.path.splitext(name)[1] for name in packages}
        expected_kinds = {".zip"} if program.endswith(".exe") else {".gz", ".deb"}
        problems = [] if kinds == expected_kinds else [f"packages made: {packages}"]
        for package in packages:
            found = check(package, program, emulator)
            print(f"{os.path.basename(package)}: {'ok' if not found else 'FAILED'}")
            problems += found
    for problem in problems:
        print(problem)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
