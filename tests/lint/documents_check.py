#!/usr/bin/env python3
"""Holds the documents' checkable citations to the tree, so that a rename
fails a test rather than a reader. In README.md, doc/*.md and bench/README.md,
in code spans and code blocks:

- a path whose first folder is one of the tree's (`tests/e2e/expected.py`,
  `doc/*.md`), or one beside the document (`peers/floor.S` in bench/), names
  a file or folder that exists; a file's bare name (`toolchains.sh`) names
  one somewhere in the tree, unless the build writes it;
- a preset (`linux-arm64`, `--preset win32`, `build/linux-x86/...`) is one of
  CMakePresets.json;
- a test (`e2e.program.signal-set`, `lint.*`, `LinuxWriteFile.Fails...`) is
  one that the CMake files add, or a GoogleTest test of tests/unit/; where
  the CMake files make the name from a variable, the cited part must be a
  word of the tests' sources;

every link to a file of the tree leads to one, and its anchor to a heading
there; and every @VARIABLE@ of the manual page's source is one that the
build sets.

usage: documents_check.py SOURCE_DIR
       documents_check.py --planted SOURCE_DIR   (a line citing what does not
       exist, added to doc/testing.md, must fail the check, naming each)
"""

import re
import sys
from pathlib import Path

# Names of files that the build or the release writes, which no tree holds.
WRITTEN = {"MANUAL.txt", "packtext.spec", "SHA256SUMS", "compile_commands.json"}
FILE_SUFFIXES = (".cmake", ".sh", ".py", ".md", ".txt", ".json", ".cpp", ".hpp", ".toml",
                 ".in", ".S", ".def", ".rc", ".manifest")
PRESET = re.compile(r"^(linux-[a-z0-9-]+|win32|win64|win-[a-z0-9-]+)$")
TEST = re.compile(r"^(e2e|lint|fuzz|build|i386|wine)\.[A-Za-z0-9_.*-]+$")
GTEST = re.compile(r"^([A-Z][A-Za-z0-9]+)\.([A-Z][A-Za-z0-9]+)$")
PLANTED = ("The planted line: `tests/no_such_check.sh` checks it, built by "
           "`cmake --preset linux-nosuch`, as `e2e.program.no-such-check` does.\n")


def documents(root):
    return [root / "README.md", *sorted((root / "doc").glob("*.md")), root / "bench/README.md"]


def slug(heading):
    """The anchor GitHub gives a heading."""
    text = re.sub(r"[^\w\- ]", "", heading.strip().lower())
    return text.replace(" ", "-")


class Tree:
    def __init__(self, root):
        self.root = root
        tracked = [path for path in root.rglob("*")
                   if ".git" not in path.parts[len(root.parts):]
                   and "build" != path.parts[len(root.parts)]]
        self.names = {path.name for path in tracked}
        self.top = {path.name for path in root.iterdir() if path.name not in ("build", ".git")}
        import json
        presets = json.loads((root / "CMakePresets.json").read_text())
        self.presets = {preset["name"] for kind in ("configurePresets", "buildPresets",
                                                      "testPresets")
                        for preset in presets.get(kind, []) if not preset.get("hidden")}
        self.tests, self.patterns = set(), []
        sources = ""
        for path in tracked:
            if path.is_file() and (path.name == "CMakeLists.txt" or path.suffix == ".cmake"):
                text = path.read_text()
                for name in re.findall(r"add_test\(\s*NAME\s+([^\s)]+)", text):
                    if "${" in name:
                        self.patterns.append(name)
                    else:
                        self.tests.add(name)
            if (path.is_file() and path.suffix in (".cmake", ".py", ".txt", ".sh")
                    and path.name != Path(__file__).name):
                if "tests" in path.parts[len(root.parts):]:
                    sources += path.read_text() + "\n"
        self.words = set(re.findall(r"[\w-]+", sources))
        self.gtests = set()
        for path in (root / "tests/unit").glob("*.cpp"):
            for suite, name in re.findall(r"^TEST(?:_F|_P)?\((\w+),\s*(\w+)\)",
                                          path.read_text(), re.MULTILINE):
                self.gtests.add(f"{suite}.{name}")

    def test_exists(self, name):
        if name.endswith(".*"):
            prefix = name[:-1]
            return any(test.startswith(prefix) for test in self.tests) or any(
                pattern.startswith(prefix) or prefix.startswith(pattern.split("${")[0])
                for pattern in self.patterns)
        if name in self.tests:
            return True
        for pattern in self.patterns:
            fixed = pattern.split("${")[0]
            if name.startswith(fixed) and name[len(fixed):] in self.words:
                return True
        return False


def path_problem(tree, document, word):
    """Why WORD, a path cited by DOCUMENT, names nothing; None where it does,
    or is no path of the tree."""
    word = word.rstrip(".,;:)")
    if not word or word[0] in "/-<$%~'\"" or "<" in word or "://" in word or "=" in word:
        return None
    parts = word.split("/")
    if parts[0] in (".", ".."):
        return None
    if parts[0] == "build":
        if len(parts) > 1 and PRESET.match(parts[1]) and parts[1] not in tree.presets:
            return f"{word}: no preset {parts[1]}"
        return None
    if len(parts) > 1 and parts[0] in tree.top:
        base = tree.root
    elif len(parts) > 1 and (document.parent / parts[0]).is_dir():
        base = document.parent
    elif len(parts) == 1 and word.endswith(FILE_SUFFIXES) and not word.startswith("."):
        if word in tree.names or word in WRITTEN or any(c in word for c in "*?"):
            return None
        return f"{word}: no such file in the tree"
    else:
        return None
    pattern = word.rstrip("/")
    if any(c in pattern for c in "*?["):
        return None if list(base.glob(pattern)) else f"{word}: matches no file"
    return None if (base / pattern).exists() else f"{word}: no such file"


def citation_problems(tree, document, text):
    found = []
    blocks = re.findall(r"^```[^\n]*\n(.*?)^```", text, re.MULTILINE | re.DOTALL)
    prose = re.sub(r"^```[^\n]*\n.*?^```", "", text, flags=re.MULTILINE | re.DOTALL)
    spans = re.findall(r"`([^`\n]+)`", prose.replace("\n", " "))
    for span in spans + blocks:
        words = span.split()
        for index, word in enumerate(words):
            bare = word.rstrip(".,;:")
            if index and words[index - 1] == "--preset" and bare not in tree.presets:
                found.append(f"--preset {bare}: no such preset")
            elif PRESET.match(bare) and bare not in tree.presets:
                found.append(f"{bare}: no such preset")
            elif TEST.match(bare) and not tree.test_exists(bare):
                found.append(f"{bare}: no such test")
            elif GTEST.match(bare) and "." in bare and bare not in tree.gtests:
                if GTEST.match(bare).group(1) in {name.split(".")[0] for name in tree.gtests}:
                    found.append(f"{bare}: no such unit test")
            else:
                problem = path_problem(tree, document, word)
                if problem:
                    found.append(problem)
    for target in re.findall(r"\]\(([^)\s]+)\)", prose):
        if re.match(r"^[a-z]+:", target):
            continue
        file, _, anchor = target.partition("#")
        linked = (document.parent / file).resolve() if file else document
        if not linked.exists():
            found.append(f"link ({target}): no such file")
            continue
        if anchor and linked.suffix == ".md":
            headings = {slug(line.lstrip("#")) for line in linked.read_text().splitlines()
                        if line.startswith("#")}
            if anchor not in headings:
                found.append(f"link ({target}): no heading #{anchor} in {linked.name}")
    return found


def manual_problems(root):
    """Each @VARIABLE@ of the manual page's source must be one the build sets."""
    found = []
    settings = (root / "cmake/documents.cmake").read_text()
    for name in sorted(set(re.findall(r"@(\w+)@", (root / "doc/packtext.1.in").read_text()))):
        if name != "PROJECT_VERSION" and not re.search(rf"\b{name}\b", settings):
            found.append(f"doc/packtext.1.in: @{name}@ is set nowhere in cmake/documents.cmake")
    return found


def problems(root, replaced=None):
    """Every problem, by document; REPLACED maps a document to the text to
    check in place of its file's."""
    tree = Tree(root)
    found = []
    for document in documents(root):
        text = (replaced or {}).get(document) or document.read_text()
        name = document.relative_to(root)
        found += [f"{name}: {problem}" for problem in citation_problems(tree, document, text)]
    return found + manual_problems(root)


def planted(root):
    """The check must fail on a line that cites a file, a preset and a test
    that do not exist, naming each."""
    testing = root / "doc/testing.md"
    found = problems(root, {testing: testing.read_text() + "\n" + PLANTED})
    wanted = ["tests/no_such_check.sh", "linux-nosuch", "e2e.program.no-such-check"]
    missed = [name for name in wanted if not any(name in problem for problem in found)]
    for problem in found:
        print(problem)
    if missed:
        print(f"the planted line's {', '.join(missed)} went unnoticed")
        return 1
    print(f"documents: the planted line fails the check, naming {', '.join(wanted)}")
    return 0


def main():
    if len(sys.argv) == 3 and sys.argv[1] == "--planted":
        return planted(Path(sys.argv[2]))
    if len(sys.argv) != 2:
        sys.exit(__doc__[__doc__.index("usage:"):])
    found = problems(Path(sys.argv[1]))
    for problem in found:
        print(problem)
    print("documents: ok" if not found else f"documents: {len(found)} problems")
    return 1 if found else 0


if __name__ == "__main__":
    sys.exit(main())
