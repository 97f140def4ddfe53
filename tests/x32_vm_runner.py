#!/usr/bin/env python3
"""Runs in the x32 virtual machine (tests/x32_vm.sh), as init's child: runs each
command of the manifest, one a line with its words separated by tabs, and
prints one line per command on standard output, the second serial port:

RESULT key status seconds stdout stderr skips

key: the hash of the command's words, each ended by NUL; status: its exit
status, or 128 + the signal that killed it; stdout, stderr and the skips it
noted (PACKTEXT_SKIPPED_TESTS): base64, "-" where empty.

usage: x32_vm_runner.py MANIFEST
"""

import base64
import hashlib
import os
import subprocess
import sys
import time

LIMIT = 300  # seconds for one command; the boot as a whole has its own limit


def encoded(data):
    return base64.b64encode(data).decode("ascii") or "-"


def key_of(words):
    return hashlib.sha256(b"".join(word.encode() + b"\0" for word in words)).hexdigest()[:32]


def main():
    with open(sys.argv[1], encoding="utf-8") as manifest:
        commands = [line.rstrip("\n").split("\t") for line in manifest if line.strip()]
    for number, words in enumerate(commands):
        skips = f"/tmp/skips-{number}"
        environment = dict(os.environ, PACKTEXT_SKIPPED_TESTS=skips, PATH="/usr/bin:/bin")
        started = time.monotonic()
        try:
            run = subprocess.run(words, capture_output=True, env=environment, cwd="/tmp",
                                 stdin=subprocess.DEVNULL, timeout=LIMIT, check=False)
            status, out, err = run.returncode, run.stdout, run.stderr
        except subprocess.TimeoutExpired as expired:
            status, out, err = 124, expired.stdout or b"", (expired.stderr or b"") + (
                f"\nstopped after {LIMIT} s in the x32 virtual machine\n".encode())
        except OSError as error:
            status, out, err = 127, b"", f"{words[0]}: {error}\n".encode()
        if status < 0:
            status = 128 - status
        noted = b""
        if os.path.exists(skips):
            with open(skips, "rb") as file:
                noted = file.read()
        seconds = f"{time.monotonic() - started:.1f}"
        print("RESULT", key_of(words), status, seconds, encoded(out), encoded(err), encoded(noted),
              flush=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())
