"""The text that every build of the program writes, defined once for the
tests in tests/expected-output."""

from pathlib import Path

TEXT = (Path(__file__).resolve().parent.parent / "expected-output").read_bytes()
