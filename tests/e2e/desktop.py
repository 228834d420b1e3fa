"""What the end-to-end tests of both builds share: waiting, the window
manager, and the real desktop programs they copy and paste with."""

import os
import shutil
import signal
import subprocess
import tempfile
import time

# Sanitizer builds run several times slower; the time limits stretch with them.
SLOWDOWN = float(os.environ.get("QUILLORY_TEST_SLOWDOWN", "1"))


def wait_until(predicate, timeout=5.0, interval=0.01, what="condition"):
    end = time.monotonic() + timeout * SLOWDOWN
    while True:
        try:
            value = predicate()
        except Exception:  # the tree changes under our feet while the window builds
            value = None
        if value:
            return value
        if time.monotonic() > end:
            raise AssertionError("timed out waiting for " + what)
        time.sleep(interval)


def start_window_manager():
    """A window manager, for what only one can do (the close box)."""
    # Slow to come on a loaded machine, and now and then an openbox on a
    # new display never comes at all: that one is replaced.
    for attempt in range(3):
        manager = subprocess.Popen(["openbox"], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        try:
            wait_until(lambda: subprocess.run(["wmctrl", "-m"], capture_output=True, timeout=5).returncode == 0,
                       timeout=10, what="the window manager")
            return manager
        except AssertionError:
            manager.kill()
            manager.wait()
            if attempt == 2:
                raise


class Client:
    """A real desktop program (a file manager, an editor, an image viewer) on
    the test display, with a home and settings of its own. Kept off the
    accessibility bus: only Quillory is read through it. Keys go to its
    window through the window manager, which the test starts."""

    def __init__(self, test, command, title):
        self.home = tempfile.mkdtemp(prefix="quillory-client-")
        env = dict(os.environ, HOME=self.home, XDG_CONFIG_HOME=os.path.join(self.home, ".config"),
                   XDG_CACHE_HOME=os.path.join(self.home, ".cache"),
                   XDG_DATA_HOME=os.path.join(self.home, ".local", "share"), NO_AT_BRIDGE="1")
        self.process = subprocess.Popen(command, env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                                        start_new_session=True)
        test.addCleanup(self.close)
        self.window = wait_until(lambda: self._find(title), timeout=30, what="the window of " + command[0])

    @staticmethod
    def _find(title):
        out = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", title], capture_output=True,
                             text=True, timeout=10).stdout.split()
        return out[0] if out else None

    def keys(self, *keys):
        subprocess.run(["xdotool", "windowactivate", "--sync", self.window], check=True, timeout=10)
        for key in keys:
            subprocess.run(["xdotool", "key", "--clearmodifiers", key], check=True, timeout=10)
            time.sleep(0.1)

    def close(self):
        try:
            os.killpg(self.process.pid, signal.SIGKILL)
        except ProcessLookupError:
            pass
        self.process.wait()
        shutil.rmtree(self.home, ignore_errors=True)
