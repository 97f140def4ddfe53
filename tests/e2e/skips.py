"""How a check says it was skipped: CTest's skip status, and a line in the
file of skipped tests that scripts/test prints (PACKTEXT_SKIPPED_TESTS)."""

import os

SKIPPED = 77  # CTest's SKIP_RETURN_CODE


def note_skip(line):
    """Adds a line to the file of skipped tests, once."""
    path = os.environ.get("PACKTEXT_SKIPPED_TESTS")
    if path:
        with open(path, "a+", encoding="utf-8") as file:
            file.seek(0)
            if line not in file.read().splitlines():
                file.write(line + "\n")
