#!/usr/bin/env python3
"""Builds the packages of a build tree with cpack into a scratch directory, or
takes those in a folder (--made: a target's tarball and its .deb from
dpkg-buildpackage), and checks each: the files it holds, that its program is
PROGRAM, byte for byte, that everything in it that names a version names the
project's, that its copyright file is LICENSE's, for the Linux packages that
the program runs from it and prints the text, and that lintian finds nothing
wrong with the Debian package.

usage: package_check.py BUILD_DIR PROGRAM VERSION [EMULATOR...]
       package_check.py --made DIR PROGRAM VERSION [EMULATOR...]
"""

import gzip
import os
import re
import stat
import subprocess
import sys
import tempfile
import zipfile
from pathlib import Path

from expected import TEXT
from program_checks import pe_version_info

LICENSE = Path(__file__).resolve().parents[2] / "LICENSE"

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
        return {f"{top}/packtext.exe", f"{top}/README.md", f"{top}/LICENSE", f"{top}/MANUAL.txt"}
    docs = {"bin/packtext", "share/doc/packtext/copyright", "share/doc/packtext/changelog.gz",
            "share/man/man1/packtext.1.gz"}
    if package.endswith(".tar.gz"):
        return {f"{top}/{path}" for path in docs | {"share/doc/packtext/README.md"}}
    # dh_compress compresses the README, as it does any document over 4 kB.
    return {f"usr/{path}" for path in docs} | {"usr/share/doc/packtext/README.md.gz",
                                               "usr/share/lintian/overrides/packtext"}


def paragraphs(path):
    """A Debian control-format file as a list of {field: value}; a continuation
    line joins its field's value without its leading space, " ." as an empty line."""
    found, fields, field = [], {}, None
    for line in [*Path(path).read_text().splitlines(), ""]:
        if not line.strip():
            if fields:
                found.append(fields)
            fields, field = {}, None
        elif line[0] in " \t" and field:
            fields[field] += "\n" + ("" if line.strip() == "." else line[1:])
        else:
            field, _, value = line.partition(":")
            fields[field] = value.strip()
    return found


def copyright_problems(path):
    """Whether the Debian copyright file names LICENSE's holder and holds its text."""
    licence = LICENSE.read_text()
    holder = re.search(r"^Copyright \(c\) (.+)$", licence, re.MULTILINE)
    text = licence[holder.end():].strip()
    problems = []
    files = [fields for fields in paragraphs(path) if fields.get("Files") == "*"]
    if not files or files[0].get("Copyright") != holder.group(1):
        problems.append(f"copyright: Files: * does not name {holder.group(1)!r}")
    licence_name = files[0].get("License") if files else None
    texts = [fields["License"].partition("\n")[2].strip() for fields in paragraphs(path)
             if "License" in fields and "Files" not in fields
             and fields["License"].partition("\n")[0] == licence_name]
    if texts != [text]:
        problems.append(f"copyright: the text of licence {licence_name} is not LICENSE's")
    return problems


def versions_in(package, files):
    """{where: the version it names} for everything in a package that names one."""
    found = {}
    name = os.path.basename(package)
    match = re.match(r"packtext[-_]([0-9][^-_]*)[-_]", name)
    found["file name"] = match.group(1) if match else name
    for path, full in files.items():
        if path.endswith("changelog.gz"):
            with gzip.open(full, "rt") as changelog:
                top = re.match(r"packtext \(([^)]+)\)", changelog.readline())
            found["changelog"] = top.group(1) if top else None
        elif path.endswith("packtext.1.gz"):
            with gzip.open(full, "rt") as page:
                title = re.search(r'^\.TH .*"packtext ([^"]+)"', page.read(), re.MULTILINE)
            found["manual page"] = title.group(1) if title else None
        elif path.endswith("MANUAL.txt"):
            with open(full, encoding="ascii") as manual:
                footer = re.search(r"^packtext (\S+) ", manual.read(), re.MULTILINE)
            found["manual"] = footer.group(1) if footer else None
        elif path.endswith(".exe"):
            with open(full, "rb") as program:
                info = pe_version_info(program.read())
            fixed, strings = info or ("", {})
            found["FileVersion"] = strings.get("FileVersion")
            found["ProductVersion"] = strings.get("ProductVersion")
            found["fixed file version"] = fixed.removesuffix(".0")
    if package.endswith(".deb"):
        found["control"] = subprocess.run(["dpkg-deb", "--field", package, "Version"],
                                          capture_output=True, text=True, check=True).stdout.strip()
    return found


def lintian(package):
    """lintian's errors and warnings; its overrides hold only false positives."""
    run = subprocess.run(["lintian", "--fail-on", "error,warning", package],
                         capture_output=True, text=True, check=False)
    tags = [line for line in run.stdout.splitlines() if line.startswith(("E:", "W:"))]
    if run.returncode != 0 and not tags:
        tags = [f"lintian failed, exit status {run.returncode}: {run.stderr.strip()}"]
    return tags


def check(package, program, version, emulator):
    problems = []
    name = os.path.basename(package)
    top = name.removesuffix(".zip").removesuffix(".tar.gz")
    with tempfile.TemporaryDirectory() as into:
        files = members_of(package, into)
        expected = expected_files(package, top)
        if set(files) != expected:
            return [f"{name} holds {sorted(files)}, expected {sorted(expected)}"]
        packed = next(files[path] for path in expected
                      if path.endswith(("bin/packtext", "/packtext.exe")))
        with open(packed, "rb") as ours, open(program, "rb") as built:
            if ours.read() != built.read():
                problems.append(f"{name}: the program differs from the one built")
        for where, found in versions_in(package, files).items():
            if found != version:
                problems.append(f"{name}: {where} names version {found}, the project {version}")
        problems += [f"{name}: {problem}" for path, full in files.items()
                     if path.endswith("/copyright") for problem in copyright_problems(full)]
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
        problems += [f"{name}: lintian: {tag}" for tag in lintian(package)]
    return problems


def check_all(folder, program, version, emulator, expected_kinds):
    packages = sorted(os.path.join(folder, name) for name in os.listdir(folder)
                      if name.endswith((".zip", ".tar.gz", ".deb")))
    kinds = {os.path.splitext(name)[1] for name in packages}
    problems = [] if kinds == expected_kinds else [f"packages: {packages}"]
    for package in packages:
        found = check(package, program, version, emulator)
        print(f"{os.path.basename(package)}: {'ok' if not found else 'FAILED'}")
        problems += found
    return problems


def main():
    if sys.argv[1:2] == ["--made"]:
        folder, program, version, *emulator = sys.argv[2:]
        problems = check_all(folder, program, version, emulator, {".gz", ".deb"})
    else:
        build_dir, program, version, *emulator = sys.argv[1:]
        with tempfile.TemporaryDirectory() as output:
            subprocess.run(["cpack", "-B", output], cwd=build_dir, check=True,
                           capture_output=True)
            problems = check_all(output, program, version, emulator,
                                 {".zip"} if program.endswith(".exe") else {".gz"})
    for problem in problems:
        print(problem)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
