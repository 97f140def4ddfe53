#!/usr/bin/env python3
"""Builds the packages of a build tree with cpack into a scratch directory, or
takes those in a folder (--made: a target's tarball, its .deb from
dpkg-buildpackage and its .rpm from rpmbuild), and checks each: the files it
holds, that its program is PROGRAM, byte for byte, that everything in it
that names a version names the project's, that its copyright file is
LICENSE's, for the Linux packages that the program runs from it and prints
the text, and that lintian finds nothing wrong with the Debian package.
Debian's control files are read with python3-debian. The RPM package is
installed into a scratch root, as into a system of its own, and checked
there: its architecture, which of its files are documents and licences, its
build time, and rpmlint's findings.

usage: package_check.py BUILD_DIR PROGRAM VERSION [EMULATOR...]
       package_check.py --made DIR PROGRAM VERSION RPM_ARCH [EMULATOR...]
  RPM_ARCH  the RPM package's architecture, its row's in targets.txt; - for
            a row with none, which has no RPM package
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

try:
    from debian import deb822
    from debian.changelog import Changelog
    from debian.copyright import Copyright, Error as CopyrightError
except ImportError:
    sys.exit(f"{sys.executable} has no debian: install python3-debian")

LICENSE = Path(__file__).resolve().parents[2] / "LICENSE"
RPMLINT_CONFIG = os.path.join(os.path.dirname(__file__), "../../packaging/rpm/rpmlint.toml")
# Where the scratch root keeps its RPM database, apart from what is installed.
RPM_DATABASE = "var/lib/rpm"
# The README and the documents it links to, by their paths in the source tree,
# which are also their paths beside it where they are installed.
SOURCE_DIR = LICENSE.parent
GUIDES = ["README.md", "bench/README.md",
          *sorted(str(path.relative_to(SOURCE_DIR)) for path in SOURCE_DIR.glob("doc/*.md"))]
# Below the prefix: the documents that ship beside the program, and the
# licence, which only the RPM package adds, in the folder RPM systems keep
# licences in.
DOC_DIR = "share/doc/packtext"
DOCUMENTS = {*(f"{DOC_DIR}/{guide}" for guide in GUIDES), f"{DOC_DIR}/copyright",
             f"{DOC_DIR}/changelog.gz", "share/man/man1/packtext.1.gz"}
RPM_LICENCE = "share/licenses/packtext/LICENSE"
# Debian's own documents, which the RPM package leaves out: it has the
# licence instead, and rpm --changelog shows its changelog.
NOT_IN_RPM = {f"{DOC_DIR}/copyright", f"{DOC_DIR}/changelog.gz"}


def members_of(package, into):
    """Extracts `package` below `into`; returns {relative path: full path} of its files."""
    if package.endswith(".zip"):
        with zipfile.ZipFile(package) as archive:
            archive.extractall(into)
    elif package.endswith(".tar.gz"):
        subprocess.run(["tar", "-xzf", package, "-C", into], check=True)
    elif package.endswith(".deb"):
        subprocess.run(["dpkg-deb", "--extract", package, into], check=True)
    elif package.endswith(".rpm"):
        # With nothing installed, any requirement but rpm's own would fail.
        for command in (["--initdb"], ["--install", "--ignorearch", package]):
            run = subprocess.run(["rpm", "--root", into, "--dbpath", f"/{RPM_DATABASE}", *command],
                                 capture_output=True, text=True, check=False)
            if run.returncode != 0:
                raise RuntimeError(f"rpm {command[0]} {package}: {run.stderr.strip()}")
    files = {}
    for directory, _, names in os.walk(into):
        for name in names:
            path = os.path.join(directory, name)
            files[os.path.relpath(path, into)] = path
    return {path: full for path, full in files.items()
            if not path.startswith(f"{RPM_DATABASE}/")}


def expected_files(package, top):
    if package.endswith(".zip"):
        return {f"{top}/{path}" for path in ["packtext.exe", "LICENSE", "MANUAL.txt", *GUIDES]}
    docs = {"bin/packtext"} | DOCUMENTS
    if package.endswith(".tar.gz"):
        return {f"{top}/{path}" for path in docs}
    if package.endswith(".rpm"):
        return {f"usr/{path}" for path in (docs - NOT_IN_RPM) | {RPM_LICENCE}}
    return {f"usr/{path}" for path in docs} | {"usr/share/lintian/overrides/packtext"}


def copyright_problems(path):
    """Whether the Debian copyright file names LICENSE's holder and holds its text."""
    licence = LICENSE.read_text()
    holder = re.search(r"^Copyright \(c\) (.+)$", licence, re.MULTILINE)
    text = licence[holder.end():].strip()
    try:
        with open(path, encoding="utf-8") as file:
            found = Copyright(file)
    except CopyrightError as unreadable:
        return [f"copyright: {unreadable}"]
    problems = []
    files = [paragraph for paragraph in found.all_files_paragraphs() if paragraph.files == ("*",)]
    if not files or files[0].copyright != holder.group(1):
        problems.append(f"copyright: Files: * does not name {holder.group(1)!r}")
    licence_name = files[0].license.synopsis if files else None
    texts = [paragraph.license.text.strip() for paragraph in found.all_license_paragraphs()
             if paragraph.license.synopsis == licence_name]
    if texts != [text]:
        problems.append(f"copyright: the text of licence {licence_name} is not LICENSE's")
    return problems


def deb_control(package):
    """The control paragraph of a .deb."""
    return deb822.Deb822(subprocess.run(["dpkg-deb", "--field", package], capture_output=True,
                                        text=True, check=True).stdout)


def versions_in(package, files):
    """{where: the version it names} for everything in a package that names one."""
    found = {}
    name = os.path.basename(package)
    match = re.match(r"packtext[-_]([0-9][^-_]*)[-_]", name)
    found["file name"] = match.group(1) if match else name
    for path, full in files.items():
        if path.endswith("changelog.gz"):
            with gzip.open(full, "rt") as file:
                latest = Changelog(file, max_blocks=1)
            found["changelog"] = str(latest.version) if latest.package == "packtext" else None
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
        found["control"] = deb_control(package)["Version"]
    if package.endswith(".rpm"):
        found["RPM header"] = rpm_tag(package, "VERSION")
        # The newest %changelog entry's name ends in " - VERSION-RELEASE".
        latest = rpm_tag(package, "CHANGELOGNAME")
        top = re.search(r" - ([^-\s]+)-[^-\s]+$", latest)
        found["RPM changelog"] = top.group(1) if top else latest
    return found


def lintian(package):
    """lintian's errors and warnings, and any override it had no use for: the
    overrides hold only false positives, each for the architectures it fires on."""
    run = subprocess.run(["lintian", "--display-info", "--fail-on", "error,warning", package],
                         capture_output=True, text=True, check=False)
    tags = [line for line in run.stdout.splitlines()
            if line.startswith(("E:", "W:")) or " unused-override " in line]
    if run.returncode != 0 and not tags:
        tags = [f"lintian failed, exit status {run.returncode}: {run.stderr.strip()}"]
    return tags


def rpm_query(package, *options):
    """What rpm says of a package file, asked with these query options."""
    return subprocess.run(["rpm", "--query", "--package", *options, package],
                          capture_output=True, text=True, check=True).stdout


def rpm_tag(package, tag):
    return rpm_query(package, "--queryformat", f"%{{{tag}}}")


def changelog_date():
    """The date of debian/changelog's latest entry, in seconds since 1970, read
    as the build reads it."""
    script = SOURCE_DIR / "cmake/source-date.cmake"
    return int(subprocess.run(["cmake", "-P", script], capture_output=True, text=True,
                              check=True).stdout)


def rpm_problems(package, rpm_arch):
    """The RPM package's architecture, document and licence markings, summary
    and description, build time, and rpmlint's findings."""
    name = os.path.basename(package)
    problems = []
    arch = rpm_tag(package, "ARCH")
    if arch != rpm_arch:
        problems.append(f"{name}: architecture {arch}, the table's {rpm_arch}")
    print(f"{name}: {rpm_tag(package, 'NAME')} {arch}")
    marked = {"documents": ("--docfiles", DOCUMENTS - NOT_IN_RPM),
              "licences": ("--licensefiles", {RPM_LICENCE})}
    for kind, (option, expected) in marked.items():
        found = set(rpm_query(package, option).split())
        if found != {f"/usr/{path}" for path in expected}:
            problems.append(f"{name}: its {kind} are {sorted(found)}")
    for tag in ("SUMMARY", "DESCRIPTION"):
        if not rpm_tag(package, tag).strip():
            problems.append(f"{name}: no {tag.lower()}")
    built = int(rpm_tag(package, "BUILDTIME"))
    if built != changelog_date():
        problems.append(f"{name}: built at {built}, not at debian/changelog's {changelog_date()}")
    run = subprocess.run(["rpmlint", "--config", RPMLINT_CONFIG, package],
                         capture_output=True, text=True, check=False)
    findings = [line for line in run.stdout.splitlines() if re.match(r"\S+: [EW]: ", line)]
    if run.returncode != 0 and not findings:
        findings = [f"rpmlint failed, exit status {run.returncode}: {run.stderr.strip()}"]
    return problems + [f"{name}: rpmlint: {finding}" for finding in findings]


def check(package, program, version, rpm_arch, emulator):
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
        control = deb_control(package)
        print(f"{name}: {control['Package']} {control['Architecture']}")
        problems += [f"{name}: lintian: {tag}" for tag in lintian(package)]
    if package.endswith(".rpm"):
        problems += rpm_problems(package, rpm_arch)
    return problems


def check_all(folder, program, version, rpm_arch, emulator, expected_kinds):
    packages = sorted(os.path.join(folder, name) for name in os.listdir(folder)
                      if name.endswith((".zip", ".tar.gz", ".deb", ".rpm")))
    kinds = {os.path.splitext(name)[1] for name in packages}
    problems = [] if kinds == expected_kinds else [f"packages: {packages}"]
    for package in packages:
        found = check(package, program, version, rpm_arch, emulator)
        print(f"{os.path.basename(package)}: {'ok' if not found else 'FAILED'}")
        problems += found
    return problems


def main():
    if sys.argv[1:2] == ["--made"]:
        folder, program, version, rpm_arch, *emulator = sys.argv[2:]
        # A row whose rpm is - has no RPM package.
        kinds = {".gz", ".deb"} | ({".rpm"} if rpm_arch != "-" else set())
        problems = check_all(folder, program, version, rpm_arch, emulator, kinds)
    else:
        build_dir, program, version, *emulator = sys.argv[1:]
        with tempfile.TemporaryDirectory() as output:
            subprocess.run(["cpack", "-B", output], cwd=build_dir, check=True,
                           capture_output=True)
            problems = check_all(output, program, version, "-", emulator,
                                 {".zip"} if program.endswith(".exe") else {".gz"})
    for problem in problems:
        print(problem)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
