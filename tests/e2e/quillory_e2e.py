"""Drives a real Quillory the way a person and other programs do: the X
clipboard through xclip and small clipboard owners, keys through xdotool,
and the window through the accessibility tree (AT-SPI)."""

import os
import shutil
import signal
import subprocess
import sys
import tempfile
import threading
import time
import unittest
import urllib.parse



def _own_accessibility_bus():
    """Each test has a session bus of its own, but all share one X display,
    whose root names the accessibility bus of whichever test started one
    last, which may be gone by now; and a program on a Wayland display asks
    its session bus instead. So the tests and every program they start use
    this session's own accessibility bus, named by its address."""
    if "AT_SPI_BUS_ADDRESS" in os.environ or "DBUS_SESSION_BUS_ADDRESS" not in os.environ:
        return
    from gi.repository import Gio, GLib
    bus = Gio.bus_get_sync(Gio.BusType.SESSION, None)
    reply = bus.call_sync("org.a11y.Bus", "/org/a11y/bus", "org.a11y.Bus", "GetAddress", None,
                          GLib.VariantType("(s)"), 0, 20000, None)
    os.environ["AT_SPI_BUS_ADDRESS"] = reply.unpack()[0]


_own_accessibility_bus()
import pyatspi  # noqa: E402 (after the bus is chosen)


HERE = os.path.dirname(os.path.abspath(__file__))
EXECUTABLE = None  # set by main() from the command line

from desktop import SLOWDOWN, Client, start_window_manager, wait_until  # noqa: F401 (used by the tests)


# --- the X clipboard -------------------------------------------------------

# The xclip processes this run started: only those are ever stopped.
_OWNERS = []


def set_clipboard(data, target=None):
    """Makes xclip own the clipboard with `data`; it serves it until another
    program takes the clipboard, or stop_clipboard_owners(). Returns once it
    owns the clipboard: xclip's own background mode returns before that, and
    two quick calls could then end with the first one owning it."""
    if isinstance(data, str):
        data = data.encode("utf-8")
    # In the foreground, so that it is ours to stop; -verbose says when it
    # owns the clipboard.
    command = ["xclip", "-selection", "clipboard", "-i", "-verbose"]
    if target:
        command += ["-t", target]
    owner = subprocess.Popen(command, stdin=subprocess.PIPE, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
    _OWNERS.append(owner)
    owner.stdin.write(data)
    owner.stdin.close()
    owned = threading.Event()

    def follow():
        for line in owner.stderr:  # read to the end, so that xclip never blocks on it
            if line.startswith(b"Waiting for selection requests"):
                owned.set()
        owned.set()

    threading.Thread(target=follow, daemon=True).start()
    if not owned.wait(10 * SLOWDOWN) or owner.poll() not in (None, 0):
        raise AssertionError("xclip did not take the clipboard")


def settle(seconds):
    """Waits for what must not happen; longer in the slower sanitizer builds."""
    time.sleep(seconds * SLOWDOWN)


def make_png(path, width, height, pattern="gradient:red-blue"):
    subprocess.run(["convert", "-size", "%dx%d" % (width, height), pattern, path], check=True, timeout=30)
    return path


def make_large_png(path, width, height):
    """A large RGB PNG that takes long to decode and little to make: rows of
    random bytes under the costliest filter, compressed lightly."""
    import struct
    import zlib

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)

    compressor = zlib.compressobj(1)
    parts = []
    for _ in range(height):
        parts.append(compressor.compress(b"\x04" + os.urandom(3 * width)))
    parts.append(compressor.flush())
    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)))
        f.write(chunk(b"IDAT", b"".join(parts)) + chunk(b"IEND", b""))
    return path


def uri_list(paths):
    """A text/uri-list as file managers offer it."""
    return "".join("file://" + urllib.parse.quote(os.fsencode(p)) + "\r\n" for p in paths)


def make_file_list(folder, count):
    """Writes `count` small files into `folder` and a text/uri-list naming
    them all; returns the list's path."""
    os.makedirs(folder)
    paths = []
    for i in range(count):
        paths.append(os.path.join(folder, "file %05d.txt" % i))
        with open(paths[-1], "w") as f:
            f.write("content %d" % i)
    listing = folder + ".uri-list"
    with open(listing, "w") as f:
        f.write(uri_list(paths))
    return listing


def png_size(data):
    """Width and height from a PNG's header."""
    assert data[:8] == b"\x89PNG\r\n\x1a\n", "not a PNG"
    return int.from_bytes(data[16:20], "big"), int.from_bytes(data[20:24], "big")


def set_clipboard_file(path, target):
    with open(path, "rb") as f:
        set_clipboard(f.read(), target)


def get_clipboard(target=None, timeout=10):
    command = ["xclip", "-selection", "clipboard", "-o"]
    if target:
        command += ["-t", target]
    return subprocess.run(command, capture_output=True, check=True, timeout=timeout).stdout


def cpu_seconds(pid):
    """The CPU time a process has taken, user and system."""
    with open("/proc/%d/stat" % pid) as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")


def stop_clipboard_owners():
    while _OWNERS:
        owner = _OWNERS.pop()
        if owner.poll() is None:
            owner.kill()
        owner.wait()


def start_owner(*offers, sequence=0, rate=0, claim=0, **flags):
    """A clipboard owner of our own (clip_owner.py) offering TARGET=text:VALUE
    or TARGET=file:PATH; flags as its options (never_answer=True for
    --never-answer)."""
    args = list(offers)
    for flag, on in flags.items():
        if on:
            args.insert(0, "--" + flag.replace("_", "-"))
    if claim:
        args = ["--claim", str(claim)] + args
    if sequence:
        args = ["--sequence", str(sequence), "--rate", str(rate)] + args
    return start_helper("clip_owner.py", *args)


def start_helper(name, *args):
    """Starts one of the small clipboard owners written for the tests."""
    helper = subprocess.Popen([sys.executable, os.path.join(HERE, name)] + list(args),
                              stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
    assert helper.stdout.readline().strip() == b"ready"
    return helper


# --- real desktop programs ---------------------------------------------------

# --- the program -----------------------------------------------------------

def _walk(node, depth=0):
    if node is None or depth > 40:
        return
    yield node
    for i in range(node.childCount):
        yield from _walk(node.getChildAtIndex(i), depth + 1)


class Quillory:
    """One running copy of the program in a folder of its own, since the
    program writes below the folder of its executable."""

    def __init__(self, with_license=False):
        self.dir = tempfile.mkdtemp(prefix="quillory-e2e-")
        if with_license:  # the program reads info/license.txt from the folder it runs in
            shutil.copytree(os.path.join(HERE, "..", "..", "info"), os.path.join(self.dir, "info"))
        self.executable = os.path.join(self.dir, "quillory")
        shutil.copy2(EXECUTABLE, self.executable)
        self.copied_files = os.path.join(self.dir, "copied-files")
        self.process = None
        self.app = None

    def start(self, env=None):
        # The accessibility bus first, so that the program finds it when it starts.
        pyatspi.Registry.getDesktop(0).childCount
        self.process = subprocess.Popen([self.executable], cwd=self.dir, env=env,
                                        stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
        try:
            self.app = wait_until(self._find_app, timeout=20, what="the window in the accessibility tree")
        except AssertionError:
            # Say what the program said, and where it was.
            self.process.kill()
            raise AssertionError("no window in the accessibility tree; the program said:\n" +
                                 self.process.stderr.read().decode(errors="replace")[-4000:])
        self.frame = wait_until(lambda: self.find("frame", "Quillory", root=self.app), timeout=10,
                                what="the main window")
        return self

    def _find_app(self):
        desktop = pyatspi.Registry.getDesktop(0)
        for i in range(desktop.childCount):
            app = desktop.getChildAtIndex(i)
            if app is not None and app.get_process_id() == self.process.pid:
                # Ready once the frame's pages are in the tree.
                if any(n.getRoleName() == "push button" for n in _walk(app)):
                    return app
        return None

    def close(self):
        if self.process:
            if self.process.poll() not in (None, 0, -signal.SIGKILL):
                # It ended on its own with an error: say what it said.
                sys.stderr.write("quillory ended with %d:\n%s\n" % (self.process.returncode,
                                                                    self.process.stderr.read().decode()[-6000:]))
            if self.process.poll() is None:
                self.process.send_signal(signal.SIGKILL)
                self.process.wait()
            self.process.stderr.close()
        shutil.rmtree(self.dir, ignore_errors=True)

    # The tree.
    def find_all(self, role, name=None, prefix=None, root=None):
        found = []
        for node in _walk(root or self.frame):
            if node.getRoleName() != role:
                continue
            if name is not None and node.name != name:
                continue
            if prefix is not None and not node.name.startswith(prefix):
                continue
            found.append(node)
        return found

    def find(self, role, name=None, prefix=None, root=None):
        found = self.find_all(role, name, prefix, root)
        return found[0] if found else None

    def page(self, tab_word):
        tab = self.find("page tab", prefix=" " * 16 + tab_word)
        assert tab is not None, "no tab " + tab_word
        return tab

    def label(self, prefix, page="Text"):
        node = self.find("label", prefix=prefix, root=self.page(page))
        return node.name if node else None

    def wait_label(self, expected, page="Text", timeout=5.0):
        prefix = expected.split(" ")[0] + " " + expected.split(" ")[1]
        return wait_until(lambda: self.label(prefix, page) == expected, timeout=timeout,
                          what="label " + repr(expected))

    def press(self, button, page="Text"):
        node = self.find("push button", button, root=self.page(page))
        assert node is not None, "no button " + button
        node.queryAction().doAction(0)

    def click(self, node):
        """Clicks a control with the mouse. Needed where the click opens a
        modal dialog: an accessibility action would wait inside it."""
        x, y, w, h = node.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
        subprocess.run(["xdotool", "mousemove", str(x + w // 2), str(y + h // 2), "click", "1"],
                       check=True, timeout=10)

    def click_button(self, button, page="Text"):
        node = self.find("push button", button, root=self.page(page))
        assert node is not None, "no button " + button
        self.click(node)

    def text_boxes(self, page="Text"):
        return self.find_all("text", root=self.page(page))

    def text_of(self, node):
        return node.queryText().getText(0, -1)

    def menu_item(self, name):
        node = self.find("menu item", name)
        assert node is not None, "no menu item " + name
        node.queryAction().doAction(0)

    def choose_with_mouse(self, menu, item):
        """Opens a menu and chooses an item with the mouse, as a person
        does; for items that open a modal dialog."""
        self.click(self.find("menu", menu))
        node = wait_until(lambda: self._showing(self.find("menu item", item)), what="menu item " + item)
        self.click(node)

    @staticmethod
    def _showing(node):
        if node is not None and node.getState().contains(pyatspi.STATE_SHOWING):
            return node
        return None

    def dialog(self, title):
        """The program's dialog window with this title, once it shows."""
        return wait_until(lambda: self._showing(self.find("dialog", title, root=self.app)),
                          what="the dialog " + title)

    def x_window(self):
        out = subprocess.run(["xdotool", "search", "--all", "--onlyvisible", "--pid", str(self.process.pid),
                              "--name", "^Quillory$"],
                             capture_output=True, text=True, timeout=10).stdout.split()
        return int(out[0]) if out else None

    def window_titles(self):
        """The titles of the program's visible windows, as the window system has them."""
        out = subprocess.run(["xdotool", "search", "--all", "--onlyvisible", "--pid", str(self.process.pid),
                              "--name", "."], capture_output=True, text=True, timeout=10).stdout.split()
        return sorted(subprocess.run(["xdotool", "getwindowname", w], capture_output=True, text=True,
                                     timeout=10).stdout.strip() for w in out)

    def key(self, keys, window=None):
        window = window or self.x_window()
        subprocess.run(["xdotool", "windowfocus", "--sync", str(window), "key", "--clearmodifiers", keys],
                       check=True, timeout=10)

    def click_close_box(self):
        """Has the window manager close the window, as its close box does."""
        subprocess.run(["wmctrl", "-c", "Quillory"], check=True, timeout=10)

    def wait_exit(self, timeout=5.0):
        return self.process.wait(timeout=timeout * SLOWDOWN)

    def answers_accelerator(self, seconds=1.0):
        """Presses Ctrl+T ("Save All Text Entries") and waits for its folder:
        the window handles a menu accelerator in time."""
        parent = os.path.join(self.dir, "manual-save", "text")
        before = set(os.listdir(parent)) if os.path.isdir(parent) else set()
        window = self.x_window()
        time.sleep(1.05 - time.time() % 1)  # a second of its own, so the stamp is new
        start = time.monotonic()
        self.key("ctrl+t", window)
        while time.monotonic() - start < seconds * SLOWDOWN:
            if os.path.isdir(parent) and set(os.listdir(parent)) - before:
                return True
            time.sleep(0.01)
        return False

    def show_record(self, number, page):
        """Steps the page to record `number` with its buttons."""
        tabs = {"Text": 0, "Images": 1, "Files": 2}
        self.find("page tab list").querySelection().selectChild(tabs[page])
        label = lambda: self.label("Currently viewing", page=page)
        while int(label().split("#")[1]) < number:
            self.press("Next >>", page=page)
        while int(label().split("#")[1]) > number:
            self.press("<< Previous", page=page)
        wait_until(lambda: label() == "Currently viewing #%d" % number, what="record %d" % number)

    def saved_texts(self, from_menu=False):
        """Saves every text (Ctrl+T, or the menu's item where no keys can be
        sent: a Wayland window) and returns the saved files' bytes, in order."""
        parent = os.path.join(self.dir, "manual-save", "text")
        before = set(os.listdir(parent)) if os.path.isdir(parent) else set()
        time.sleep(1.05 - time.time() % 1)  # a second of its own, so the stamp is new
        if from_menu:
            self.menu_item("Save All Text Entries")
        else:
            self.key("ctrl+t")
        folder = wait_until(lambda: os.path.isdir(parent) and set(os.listdir(parent)) - before, what="the save")
        folder = os.path.join(parent, folder.pop())
        count = self.count("Text")
        wait_until(lambda: len(os.listdir(folder)) == count, what="every text saved")
        texts = []
        for n in range(1, count + 1):
            with open(os.path.join(folder, "%d.txt" % n), "rb") as f:
                texts.append(f.read())
        return texts

    def count(self, page):
        word = {"Text": "items of text", "Images": "images", "Files": "files"}[page]
        label = self.label("You currently", page=page)
        return int(label.split(" ")[3]) if label and word in label else None

    def responds_within(self, seconds):
        """Whether the GUI thread answers an accessibility query in time."""
        start = time.monotonic()
        self.label("You currently")
        return time.monotonic() - start < seconds * SLOWDOWN


class QuilloryTest(unittest.TestCase):
    def setUp(self):
        stop_clipboard_owners()
        self.q = Quillory()
        self.addCleanup(self.q.close)
        self.addCleanup(stop_clipboard_owners)


def main():
    global EXECUTABLE
    EXECUTABLE = os.path.abspath(sys.argv.pop(1))
    unittest.main(verbosity=2)
