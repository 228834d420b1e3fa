"""The Windows program under Wine, on the test display: what is copied on the
X side (through Wine's clipboard bridge) is recorded, saved with Ctrl+S beside
the executable, and the stored copies are gone after exit.

  test_windows.py path/to/quillory.exe

Wine exposes no accessibility tree, so the window is driven with keys and the
outcome read from the files the program writes.
"""

import os
import select
import shutil
import struct
import subprocess
import sys
import tempfile
import time
import unittest
import zlib
from pathlib import Path
from urllib.parse import quote

EXE = Path(sys.argv.pop(1)).resolve() if len(sys.argv) > 1 else None
WINE = shutil.which("wine64") or "/usr/lib/wine/wine64"
SLOWDOWN = float(os.environ.get("QUILLORY_TEST_SLOWDOWN", "1"))


def wine_environment():
    env = dict(os.environ)
    env.setdefault("WINEPREFIX", str(EXE.parent / "wine"))
    env["WINEDEBUG"] = "-all"
    # No prompt to install Mono or Gecko into a new prefix.
    env["WINEDLLOVERRIDES"] = "mscoree,mshtml="
    return env


def png_of(width, height, seed):
    """A PNG with every pixel its own colour."""
    rows = b"".join(
        b"\x00" + bytes((x * 7 + y * 13 + seed) % 256 for x in range(width * 3)) for y in range(height))

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))

    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)) +
            chunk(b"IDAT", zlib.compress(rows)) + chunk(b"IEND", b""))


def bmp_of(width, height):
    """A 24-bit bottom-up BMP file, as image programs write them."""
    stride = (width * 3 + 3) // 4 * 4
    rows = b"".join(bytes((x * 11 + y * 5) % 256 for x in range(width * 3)).ljust(stride, b"\0")
                    for y in range(height))
    header = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(rows), 2835, 2835, 0, 0)
    return b"BM" + struct.pack("<IHHI", 14 + len(header) + len(rows), 0, 0, 14 + len(header)) + header + rows


def wait_for(condition, seconds, what):
    deadline = time.monotonic() + seconds * SLOWDOWN
    while time.monotonic() < deadline:
        if condition():
            return
        time.sleep(0.1)
    raise AssertionError("timed out waiting for " + what)


def offer(data, target):
    """Puts `data` on the X clipboard with xclip and waits until a reader has
    asked for it."""
    xclip = subprocess.Popen(["xclip", "-verbose", "-selection", "clipboard", "-t", target, "-i"],
                             stdin=subprocess.PIPE, stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
    xclip.stdin.write(data)
    xclip.stdin.close()
    # xclip stays in the foreground with -verbose and says when it has
    # answered a request; the reader's own read follows the bridge's.
    seen = b""
    deadline = time.monotonic() + 30 * SLOWDOWN
    while b"request number 2" not in seen:
        left = deadline - time.monotonic()
        if left <= 0 or not select.select([xclip.stdout], [], [], left)[0]:
            raise AssertionError("nobody asked for the offered " + target)
        chunk = os.read(xclip.stdout.fileno(), 4096)
        if not chunk:
            raise AssertionError("xclip ended: " + seen.decode(errors="replace"))
        seen += chunk
    time.sleep(1.5 * SLOWDOWN)
    return xclip


def clipboard(target):
    return subprocess.run(["xclip", "-o", "-selection", "clipboard", "-t", target], capture_output=True,
                          timeout=10).stdout


def window_manager_running():
    check = subprocess.run(["xprop", "-root", "_NET_SUPPORTING_WM_CHECK"], capture_output=True, text=True)
    return "window id" in check.stdout


class WindowsProgram(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        # One window manager for all the tests: windows are activated
        # through it.
        cls.wm = subprocess.Popen(["openbox"], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        wait_for(window_manager_running, 20, "the window manager")

    @classmethod
    def tearDownClass(cls):
        cls.wm.terminate()
        cls.wm.wait()

    def setUp(self):
        self.base = Path(tempfile.mkdtemp(prefix="quillory-windows-"))
        # A program folder whose name is outside every ANSI code page.
        self.folder = self.base / "Quillory – 記録"
        self.folder.mkdir()
        shutil.copy(EXE, self.folder / "quillory.exe")
        self.env = wine_environment()
        # A Wine server left from an earlier run may serve another display.
        self.wineserver("-k")
        self.wineserver("-w")
        self.owners = []
        self.program = None
        self.window = None

    def tearDown(self):
        if self._outcome.result.failures or self._outcome.result.errors:
            subprocess.run(["import", "-window", "root", str(EXE.parent / ("failed-" + self._testMethodName + ".png"))])
        for owner in self.owners:
            owner.kill()
            owner.wait()
            owner.stdout.close()
        if self.program and self.program.poll() is None:
            self.program.kill()
        self.wineserver("-k")
        shutil.rmtree(self.base, ignore_errors=True)

    def wineserver(self, *arguments):
        subprocess.run([shutil.which("wineserver") or "/usr/lib/wine/wineserver", *arguments], env=self.env,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=60)

    # Where the controls are in the window's client area, as the program lays
    # them out on this display (Wine draws no accessibility tree to ask).
    TABS = {"Text": (85, 28), "Images": (257, 28), "Files": (431, 28)}
    NEXT = (464, 90)
    ABOUT_MENU = (100, 9)
    LICENSE_ITEM = (115, 72)
    COPY_BACK = {"Text": (275, 351), "Images": (275, 349), "Files": (275, 310)}

    def click(self, position):
        subprocess.run(["xdotool", "mousemove", "--window", self.window, str(position[0]), str(position[1]),
                        "click", "1"], check=True)
        time.sleep(0.5 * SLOWDOWN)

    def copy_back(self, tab, steps=1):
        """Shows record number `steps` of `tab` and puts it back on the clipboard."""
        self.click(self.TABS[tab])
        for _ in range(steps):
            self.click(self.NEXT)
        self.click(self.COPY_BACK[tab])
        time.sleep(1 * SLOWDOWN)

    def start(self):
        self.program = subprocess.Popen([WINE, str(self.folder / "quillory.exe")], cwd=self.folder, env=self.env,
                                        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        wait_for(self.find_window, 120, "the main window")
        time.sleep(1)

    def record_a_file(self, name="report.txt"):
        original = self.base / name
        original.write_bytes(b"stored while the program runs")
        self.owners.append(offer(b"file://" + quote(str(original)).encode() + b"\r\n", "text/uri-list"))
        stored = self.folder / "copied-files" / "1" / name
        wait_for(stored.is_file, 20, "the stored copy")
        return stored

    def find_window(self):
        found = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", "^Quillory$"],
                               capture_output=True, text=True).stdout.split()
        self.window = found[0] if found else None
        return self.window is not None

    def keys(self, *keys):
        subprocess.run(["xdotool", "windowactivate", "--sync", self.window], check=True)
        subprocess.run(["xdotool", "key", *keys], check=True)

    def test_copies_are_recorded_saved_beside_the_program_and_gone_after_exit(self):
        self.start()

        text = "Grüße, 世界\r\nzweite Zeile\r\n".encode()
        self.owners.append(offer(text, "UTF8_STRING"))

        png = png_of(37, 23, 5)
        self.owners.append(offer(png, "image/png"))

        # Offered as a bitmap only: Wine gives it to Windows programs as a
        # DIB, which the system renders for the program.
        self.owners.append(offer(bmp_of(29, 17), "image/bmp"))

        original = self.base / "naïve – 文件.bin"
        content = b"first line\r\nsecond\x00\x1a third\n" + bytes(range(256))
        original.write_bytes(content)
        self.owners.append(offer(b"file://" + quote(str(original)).encode() + b"\r\n", "text/uri-list"))
        copied = self.folder / "copied-files"
        wait_for(lambda: (copied / "1" / original.name).is_file(), 20, "the stored copy")
        self.assertEqual((copied / "1" / original.name).read_bytes(), content)

        self.keys("ctrl+s")
        manual = self.folder / "manual-save"
        wait_for(lambda: manual.is_dir() and any(
            (stamp / "files" / original.name).is_file() for stamp in manual.iterdir()), 20, "the save")
        time.sleep(0.5 * SLOWDOWN)
        stamps = [stamp for stamp in manual.iterdir() if stamp.is_dir()]
        self.assertEqual(len(stamps), 1, stamps)
        saved = stamps[0]
        self.assertEqual(sorted(p.name for p in (saved / "text").iterdir()), ["1.txt"])
        self.assertEqual((saved / "text" / "1.txt").read_bytes(), text)
        jpegs = sorted((saved / "images").iterdir())
        self.assertEqual([p.name for p in jpegs], ["1.jpg", "2.jpg"])
        for jpeg, size in zip(jpegs, ["37x23", "29x17"]):
            self.assertEqual(jpeg.read_bytes()[:3], b"\xff\xd8\xff")
            found = subprocess.run(["identify", "-format", "%wx%h", str(jpeg)], capture_output=True, text=True)
            self.assertEqual(found.stdout, size)
        self.assertEqual((saved / "files" / original.name).read_bytes(), content)

        # Back on the clipboard, as X programs get it through the bridge (which
        # turns CRLF into LF for them).
        self.copy_back("Text")
        self.assertEqual(clipboard("UTF8_STRING"), text.replace(b"\r\n", b"\n"))
        self.copy_back("Images")
        self.assertIn("image/png", clipboard("TARGETS").decode().split())
        self.assertEqual(clipboard("image/png"), png)
        self.copy_back("Files")
        targets = clipboard("TARGETS").decode().split()
        self.assertIn("text/uri-list", targets)
        self.assertIn("Preferred", targets)  # "Preferred DropEffect", split at its space

        # Exit with the File menu's own key; the stored copies go, the saves stay.
        self.keys("alt+F4")
        self.program.wait(timeout=30 * SLOWDOWN)
        self.assertFalse(copied.exists())
        self.assertTrue((saved / "files" / original.name).is_file())
        # What was put back stays on the clipboard after the program.
        self.assertIn("text/uri-list", clipboard("TARGETS").decode().split())
        self.assertEqual(original.read_bytes(), content)


    def test_every_way_out_removes_the_stored_copies(self):
        for way_out in ("menu", "close box"):
            with self.subTest(way_out):
                self.start()
                stored = self.record_a_file()
                if way_out == "menu":
                    self.keys("alt+f")
                    time.sleep(0.5 * SLOWDOWN)
                    self.keys("x")
                else:
                    subprocess.run(["wmctrl", "-c", "Quillory"], check=True)
                self.program.wait(timeout=30 * SLOWDOWN)
                self.assertFalse(stored.parent.parent.exists())

    def test_a_killed_run_is_cleaned_up_by_the_next_and_a_second_one_leaves(self):
        self.start()
        stored = self.record_a_file()
        self.wineserver("-k")
        self.program.wait(timeout=30 * SLOWDOWN)
        self.assertTrue(stored.is_file())

        # Nothing on the clipboard for the next start to record again.
        for owner in self.owners:
            owner.kill()
            owner.wait()
        self.start()
        wait_for(lambda: not stored.parent.parent.exists(), 10, "the old copies to go")
        stored = self.record_a_file("second.txt")
        first = self.program
        # A second program in the same folder says so and leaves the first's
        # copies alone.
        second = subprocess.Popen([WINE, str(self.folder / "quillory.exe")], cwd=self.folder, env=self.env,
                                  stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        wait_for(lambda: subprocess.run(["xdotool", "search", "--onlyvisible", "--name", "^Quillory$"],
                                        capture_output=True, text=True).stdout.split() != [self.window],
                 30, "the second program's message")
        time.sleep(1 * SLOWDOWN)
        subprocess.run(["xdotool", "key", "Return"], check=True)
        second.wait(timeout=30 * SLOWDOWN)
        self.assertIsNone(first.poll())
        self.assertTrue(stored.is_file())


    def test_an_owner_that_never_answers_holds_up_nothing(self):
        self.start()
        hung = subprocess.Popen([sys.executable, str(Path(__file__).parent.parent / "e2e" / "hung_owner.py")],
                                stdout=subprocess.PIPE)
        self.owners.append(hung)
        self.assertEqual(hung.stdout.readline().strip(), b"ready")
        time.sleep(1 * SLOWDOWN)
        # The window answers at once meanwhile.
        started = time.monotonic()
        self.keys("ctrl+s")
        manual = self.folder / "manual-save"
        wait_for(manual.is_dir, 5, "a save while the owner hangs")
        print("save while an owner hangs: %.2f s" % (time.monotonic() - started), file=sys.stderr)
        # And the next change is recorded.
        text = "after the hang".encode()
        self.owners.append(offer(text, "UTF8_STRING"))
        self.keys("ctrl+t")
        wait_for(lambda: any(p.read_bytes() == text for p in manual.rglob("*.txt")), 10, "the later text")


    def test_the_license_opens_from_the_about_menu(self):
        # As the program is handed out: the license beside the executable.
        (self.folder / "info").mkdir()
        shutil.copy(Path(__file__).parent.parent.parent / "info" / "license.txt", self.folder / "info")
        self.start()
        self.click(self.ABOUT_MENU)
        self.click(self.LICENSE_ITEM)
        dialog = lambda: subprocess.run(["xdotool", "search", "--onlyvisible", "--name", "^Quillory :: License$"],
                                        capture_output=True, text=True).stdout.split()
        wait_for(dialog, 10, "the License dialog")
        time.sleep(0.5 * SLOWDOWN)
        # Its Close button, centred below the text.
        window = dialog()[0]
        geometry = dict(line.split("=") for line in subprocess.run(
            ["xdotool", "getwindowgeometry", "--shell", window], capture_output=True, text=True).stdout.split())
        subprocess.run(["xdotool", "mousemove", "--window", window, str(int(geometry["WIDTH"]) // 2),
                        str(int(geometry["HEIGHT"]) - 17), "click", "1"], check=True)
        wait_for(lambda: not dialog(), 10, "the License dialog to close")
        self.assertIsNone(self.program.poll())


if __name__ == "__main__":
    if not EXE or not EXE.is_file():
        sys.exit("usage: test_windows.py path/to/quillory.exe")
    unittest.main()
