#!/usr/bin/env python3
"""Runs the built program with standard output in one state a parent can
leave it in, and checks that it exits with status 0, says nothing on standard
error and, wherever the output can be read back, wrote exactly its text.

usage: stdout_states.py --list
       stdout_states.py --case NAME [--wine] -- COMMAND...

--wine: COMMAND runs the Windows program under Wine. Wine draws a console
program's output to a terminal through a console of its own, and cannot run
under a file-size limit at all; those cases are adjusted or skipped.
"""

import argparse
import fcntl
import os
import pty
import re
import struct
import termios
import resource
import signal
import socket
import subprocess
import sys
import tempfile
import time
import tty

from expected import TEXT
from skips import SKIPPED, note_skip

WRITE_SIGNALS = {signal.SIGPIPE, signal.SIGXFSZ}
TIMEOUT = 120
TERMINAL_COLUMNS = 80


def start(command, stdout_fd, limit_file_size=None, close_stdout=False):
    """Starts the program with `stdout_fd` as its standard output, with the
    write signals at their defaults and unblocked, so the program alone decides
    what a failed write does to it."""

    def prepare_child():
        signal.pthread_sigmask(signal.SIG_UNBLOCK, WRITE_SIGNALS)
        for number in WRITE_SIGNALS:
            signal.signal(number, signal.SIG_DFL)
        if limit_file_size is not None:
            _, hard = resource.getrlimit(resource.RLIMIT_FSIZE)
            resource.setrlimit(resource.RLIMIT_FSIZE, (limit_file_size, hard))
        if close_stdout:
            os.close(1)

    return subprocess.Popen(
        command,
        stdin=subprocess.DEVNULL,
        stdout=stdout_fd,
        stderr=subprocess.PIPE,
        preexec_fn=prepare_child,
    )


def finish(process):
    """Waits for the program; returns its exit status and standard error."""
    _, errors = process.communicate(timeout=TIMEOUT)
    return process.returncode, errors


def read_until_eof(fd, pause=0.0):
    data = bytearray()
    while True:
        try:
            chunk = os.read(fd, 65536)
        except OSError:  # A terminal's master reports EIO once the slave is gone.
            break
        if not chunk:
            break
        data += chunk
        time.sleep(pause)
    return bytes(data)


# Each case sets standard output up, runs the program's command through
# `start` and returns (exit status, standard error, the bytes written, the
# bytes expected), the last two None where the output cannot be read back.


def regular_file(command):
    with tempfile.TemporaryFile() as file:
        status, errors = finish(start(command, file.fileno()))
        file.seek(0)
        return status, errors, file.read(), TEXT


def append_file(command):
    with tempfile.NamedTemporaryFile() as file:
        file.write(b"before\n")
        file.flush()
        fd = os.open(file.name, os.O_WRONLY | os.O_APPEND)
        status, errors = finish(start(command, fd))
        os.close(fd)
        file.seek(0)
        return status, errors, file.read(), b"before\n" + TEXT


def run_and_read(command, read_end, write_end, delay=0.0, pause=0.0):
    """Runs the program writing into `write_end` while this process reads all
    of `read_end`, starting after `delay` and pausing after each read; closes
    both."""
    process = start(command, write_end)
    os.close(write_end)
    time.sleep(delay)
    data = read_until_eof(read_end, pause)
    os.close(read_end)
    status, errors = finish(process)
    return status, errors, data, TEXT


def pipe(command):
    return run_and_read(command, *os.pipe())


def small_non_blocking_pipe(command):
    """A pipe left in non-blocking mode, too small for the text, whose reader
    is slow to start: a write would fail with EAGAIN part way."""
    read_end, write_end = os.pipe()
    fcntl.fcntl(write_end, fcntl.F_SETPIPE_SZ, 4096)
    os.set_blocking(write_end, False)
    return run_and_read(command, read_end, write_end, delay=0.5, pause=0.01)


def open_terminal():
    master, slave = pty.openpty()
    tty.setraw(slave)  # The terminal then passes bytes through as they are.
    fcntl.ioctl(slave, termios.TIOCSWINSZ, struct.pack("HHHH", 24, TERMINAL_COLUMNS, 0, 0))
    return master, slave


def terminal(command):
    return run_and_read(command, *open_terminal())


def non_blocking_terminal(command):
    """A terminal left in non-blocking mode, already holding unread output
    that leaves less room than the text needs, read only after a while: a
    write would fail with EAGAIN part way."""
    master, slave = open_terminal()
    os.set_blocking(slave, False)
    unread = b"." * 8000
    os.write(slave, unread)
    status, errors, data, expected = run_and_read(command, master, slave, delay=0.5, pause=0.01)
    return status, errors, data.removeprefix(unread), expected


def socket_stream(command):
    ours, theirs = socket.socketpair()
    return run_and_read(command, ours.detach(), theirs.detach())


def dev_null(command):
    with open(os.devnull, "wb") as sink:
        status, errors = finish(start(command, sink.fileno()))
    return status, errors, None, None


def closed(command):
    status, errors = finish(start(command, subprocess.DEVNULL, close_stdout=True))
    return status, errors, None, None


def device_full(command):
    with open("/dev/full", "wb") as full:
        status, errors = finish(start(command, full.fileno()))
    return status, errors, None, None


def read_only_file(command):
    with tempfile.NamedTemporaryFile() as file:
        fd = os.open(file.name, os.O_RDONLY)
        status, errors = finish(start(command, fd))
        os.close(fd)
        return status, errors, file.read(), b""


def pipe_reader_gone(command):
    read_end, write_end = os.pipe()
    os.close(read_end)
    status, errors = finish(start(command, write_end))
    os.close(write_end)
    return status, errors, None, None


def socket_peer_gone(command):
    ours, theirs = socket.socketpair()
    ours.close()
    status, errors = finish(start(command, theirs.fileno()))
    theirs.close()
    return status, errors, None, None


def file_size_limit(command):
    """A file-size limit below the text's size: the write stops at the limit."""
    with tempfile.TemporaryFile() as file:
        status, errors = finish(start(command, file.fileno(), limit_file_size=4096))
        file.seek(0)
        return status, errors, file.read(), TEXT[:4096]


CASES = {
    function.__name__.replace("_", "-"): function
    for function in (
        regular_file, append_file, pipe, small_non_blocking_pipe, terminal,
        non_blocking_terminal, socket_stream,
        dev_null, closed, device_full, read_only_file, pipe_reader_gone, socket_peer_gone,
        file_size_limit,
    )
}


def as_wine_console_shows(data):
    """Wine's console, drawing on a terminal, hides and shows the cursor with
    escape sequences and breaks lines at the terminal's width. Undoes both, and
    checks the breaks fall at that width, so the text must still be exact."""
    lines = re.sub(rb"\x1b\[[0-9;?]*[A-Za-z]", b"", data).split(b"\r\n")
    if any(len(line) != TERMINAL_COLUMNS for line in lines[:-1]):
        return data
    return b"".join(lines)


def describe(status):
    if status < 0:
        return f"killed by {signal.Signals(-status).name}"
    return f"exit status {status}"


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--list", action="store_true")
    parser.add_argument("--case", choices=sorted(CASES))
    parser.add_argument("--wine", action="store_true")
    parser.add_argument("command", nargs="*")
    args = parser.parse_args()
    if args.list:
        print(";".join(CASES), end="")
        return 0

    if args.wine and args.case == "file-size-limit":
        # The limit reaches the wineserver Wine starts, which dies of SIGXFSZ.
        # Windows has no such limit for a parent to leave behind.
        reason = "Wine cannot run under a file-size limit"
        print(f"{args.case}: skipped, {reason}")
        note_skip(f"e2e.stdout.{args.case}: {reason}")
        return SKIPPED

    if args.wine:
        os.environ["WINEDEBUG"] = "-all"  # Wine's own diagnostics, not the program's.
    status, errors, data, expected = CASES[args.case](args.command)
    if args.wine and args.case.endswith("terminal"):
        data = as_wine_console_shows(data)
    failures = []
    if status != 0:
        failures.append(f"{describe(status)}, expected exit status 0")
    if errors:
        failures.append(f"standard error not empty: {errors[:200]!r}")
    if expected is not None and data != expected:
        failures.append(
            f"output differs: {len(data)} bytes, expected {len(expected)}; "
            f"starts {data[:16]!r}, ends {data[-16:]!r}")
    for failure in failures:
        print(f"{args.case}: {failure}")
    if not failures:
        print(f"{args.case}: {describe(status)}" +
              ("" if expected is None else f", {len(data)} bytes as expected"))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
