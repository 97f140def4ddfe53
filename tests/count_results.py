#!/usr/bin/env python3
"""Counts a test run from CTest's JUnit file: prints "PASSED FAILED SKIPPED".

A test skipped by its own word (SKIP_RETURN_CODE, SKIP_REGULAR_EXPRESSION) or
disabled counts as skipped; one CTest could not run, which JUnit also calls
skipped, as failed. A line of the skipped-tests file that names no test CTest
ran, a suite that was not built here, counts as one skipped test more.

usage: count_results.py JUNIT_FILE [SKIPPED_TESTS_FILE]
"""
import sys
import xml.etree.ElementTree as ElementTree


def main():
    cases = ElementTree.parse(sys.argv[1]).getroot().iter("testcase")
    passed = failed = skipped = 0
    names = set()
    for case in cases:
        # A parameterised GoogleTest's name ends with "  # GetParam() = ...".
        names.add(case.get("name").split("  # ", 1)[0])
        skip = case.find("skipped")
        if case.get("status") == "disabled" or (
                skip is not None and skip.get("message", "").startswith("SKIP_")):
            skipped += 1
        elif case.get("status") == "run" and case.find("failure") is None:
            passed += 1
        else:
            failed += 1
    if len(sys.argv) > 2:
        try:
            with open(sys.argv[2], encoding="utf-8") as lines:
                skipped += sum(1 for line in lines if line.split(":", 1)[0] not in names)
        except FileNotFoundError:
            pass
    print(passed, failed, skipped)
    return 0


if __name__ == "__main__":
    sys.exit(main())
