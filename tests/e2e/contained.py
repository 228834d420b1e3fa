#!/usr/bin/env python3
"""Runs one test command, then ends every process it left behind.

A test's programs start others that outlive them: Thunar, on the test's
session bus, activates the desktop portal, which brings up its backends and
the secret service; a compositor leaves its XWayland. Such processes hold
the output pipe of whoever ran the test, so that ctest waits for them to
its timeout, and they meet the next test on the display. Here the runner is
the child subreaper of everything the command starts: whatever is orphaned
comes to it, and when the command has ended, it ends them all.

  contained.py COMMAND [ARGUMENT...]
"""

import ctypes
import os
import signal
import subprocess
import sys
import time

PR_SET_CHILD_SUBREAPER = 36
# What a process that stays gets to end of its own after SIGTERM.
TERM_GRACE = 2.0


def children():
    """This process's children: the command's orphans are reparented here."""
    me = os.getpid()
    found = []
    for name in os.listdir("/proc"):
        if not name.isdigit():
            continue
        try:
            with open(f"/proc/{name}/stat") as stat:
                fields = stat.read().rsplit(")", 1)[1].split()
        except OSError:
            continue
        if int(fields[1]) == me:
            found.append(int(name))
    return found


def reap():
    while True:
        try:
            pid, _ = os.waitpid(-1, os.WNOHANG)
        except ChildProcessError:
            return
        if pid == 0:
            return


def end_everything():
    """SIGTERM to whatever is left, SIGKILL to what stays past the grace;
    a process ended hands its own children here, so this goes on until
    none is left."""
    term_sent = {}
    while True:
        reap()
        left = children()
        if not left:
            return
        now = time.monotonic()
        for pid in left:
            sent = term_sent.setdefault(pid, now)
            try:
                os.kill(pid, signal.SIGTERM if sent == now else
                        signal.SIGKILL if now - sent > TERM_GRACE else 0)
            except ProcessLookupError:
                pass
        time.sleep(0.05)


def main():
    libc = ctypes.CDLL(None, use_errno=True)
    if libc.prctl(PR_SET_CHILD_SUBREAPER, 1, 0, 0, 0) != 0:
        sys.exit("contained.py: no child subreaper: " + os.strerror(ctypes.get_errno()))
    command = subprocess.Popen(sys.argv[1:])
    # ctest's own stop (a timeout) reaches the command too.
    for stop in (signal.SIGTERM, signal.SIGINT, signal.SIGHUP):
        signal.signal(stop, lambda number, frame: command.send_signal(number))
    code = command.wait()
    end_everything()
    sys.exit(code if code >= 0 else 128 - code)


if __name__ == "__main__":
    main()
