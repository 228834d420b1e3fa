"""The runner every end-to-end test runs in ends what the test left behind,
so that nothing holds ctest's output open or meets the next test."""

import os
import subprocess
import sys
import time
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))


class Contained(unittest.TestCase):
    def test_processes_a_test_leaves_behind_end_with_it(self):
        # A daemon as a portal is one: detached, in a session of its own,
        # with the test's output inherited, and one that ignores SIGTERM.
        started = time.monotonic()
        run = subprocess.run(
            [sys.executable, os.path.join(HERE, "contained.py"), "sh", "-c",
             "setsid sh -c 'sleep 600' & (trap '' TERM; exec sleep 600) & echo $! ; exit 3"],
            stdout=subprocess.PIPE, timeout=60)
        self.assertEqual(run.returncode, 3)
        self.assertLess(time.monotonic() - started, 10)
        stubborn = int(run.stdout.split()[0])
        self.assertFalse(os.path.exists(f"/proc/{stubborn}"))


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1])
