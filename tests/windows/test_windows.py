"""The Windows program under Wine, on the test display: what is copied on the
X side (through Wine's clipboard bridge) is recorded, saved with Ctrl+S beside
the executable, and the stored copies are gone after exit.

  test_windows.py path/to/quillory.exe path/to/find_control.exe

Wine exposes no accessibility tree, so the window is driven with keys and
with mouse clicks on controls that find_control.exe (a Win32 program run
beside it) finds by their labels, and the outcome read from the files the
program writes.
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

sys.path.insert(0, str(Path(__file__).resolve().parent.parent / "e2e"))
from desktop import SLOWDOWN, Client, start_window_manager, wait_until  # noqa: E402

EXE = Path(sys.argv.pop(1)).resolve() if len(sys.argv) > 1 else None
FIND_CONTROL = Path(sys.argv.pop(1)).resolve() if len(sys.argv) > 1 else None
WINE = shutil.which("wine64") or "/usr/lib/wine/wine64"


def use_wine_environment():
    """Every program the tests start, Wine's own included, shares one prefix."""
    os.environ.setdefault("WINEPREFIX", str(EXE.parent / "wine"))
    os.environ["WINEDEBUG"] = "-all"
    # No prompt to install Mono or Gecko into a new prefix.
    os.environ["WINEDLLOVERRIDES"] = "mscoree,mshtml="


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


class WindowsProgram(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        # One window manager for all the tests: windows are activated
        # through it.
        cls.wm = start_window_manager()

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
        use_wine_environment()
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
        subprocess.run([shutil.which("wineserver") or "/usr/lib/wine/wineserver", *arguments],
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=60)

    # The menus are drawn by the program's own process, which another
    # process can't ask about under Wine: their places in the window.
    ABOUT_MENU = (100, 9)
    LICENSE_ITEM = (115, 72)
    TABS = {"Text": 0, "Images": 1, "Files": 2}

    def click(self, position):
        subprocess.run(["xdotool", "mousemove", "--window", self.window, str(position[0]), str(position[1]),
                        "click", "1"], check=True)
        time.sleep(0.5 * SLOWDOWN)

    def control(self, kind, label, window="Quillory"):
        """Where a control of a window is on the screen, found by its label."""
        found = subprocess.run([WINE, str(FIND_CONTROL), window, kind, label], capture_output=True, text=True,
                               timeout=60)
        self.assertEqual(found.returncode, 0, "no %s %r in the window" % (kind, label))
        x, y = found.stdout.split()
        return int(x), int(y)

    def click_control(self, kind, label, window="Quillory"):
        x, y = self.control(kind, label, window)
        subprocess.run(["xdotool", "mousemove", str(x), str(y), "click", "1"], check=True)
        time.sleep(0.5 * SLOWDOWN)

    def copy_back(self, tab, steps=1):
        """Shows record number `steps` of `tab` and puts it back on the clipboard."""
        self.click_control("tab", str(self.TABS[tab]))
        for _ in range(steps):
            self.click_control("button", "Next >>")
        self.click_control("button", "Copy to Clipboard")
        time.sleep(1 * SLOWDOWN)

    def start(self):
        self.program = subprocess.Popen([WINE, str(self.folder / "quillory.exe")], cwd=self.folder,
                                        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        wait_until(self.find_window, timeout=120, interval=0.1, what="the main window")
        time.sleep(1)

    def record_a_file(self, name="report.txt"):
        original = self.base / name
        original.write_bytes(b"stored while the program runs")
        self.owners.append(offer(b"file://" + quote(str(original)).encode() + b"\r\n", "text/uri-list"))
        stored = self.folder / "copied-files" / "1" / name
        wait_until(stored.is_file, timeout=20, what="the stored copy")
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
        wait_until(lambda: (copied / "1" / original.name).is_file(), timeout=20, what="the stored copy")
        self.assertEqual((copied / "1" / original.name).read_bytes(), content)

        self.keys("ctrl+s")
        manual = self.folder / "manual-save"
        wait_until(lambda: manual.is_dir() and any(
            (stamp / "files" / original.name).is_file() for stamp in manual.iterdir()), timeout=20, what="the save")
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
        wait_until(lambda: not stored.parent.parent.exists(), timeout=10, what="the old copies to go")
        stored = self.record_a_file("second.txt")
        first = self.program
        # A second program in the same folder says so and leaves the first's
        # copies alone.
        second = subprocess.Popen([WINE, str(self.folder / "quillory.exe")], cwd=self.folder,
                                  stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        wait_until(lambda: subprocess.run(["xdotool", "search", "--onlyvisible", "--name", "^Quillory$"],
                                        capture_output=True, text=True).stdout.split() != [self.window],
                   timeout=30, what="the second program's message")
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
        wait_until(manual.is_dir, timeout=5, what="a save while the owner hangs")
        print("save while an owner hangs: %.2f s" % (time.monotonic() - started), file=sys.stderr)
        # And the next change is recorded.
        text = "after the hang".encode()
        self.owners.append(offer(text, "UTF8_STRING"))
        self.keys("ctrl+t")
        wait_until(lambda: any(p.read_bytes() == text for p in manual.rglob("*.txt")), timeout=10, what="the later text")


    def test_a_rich_copy_comes_back_with_its_html(self):
        # An X program's html reaches Windows programs as "HTML Format"
        # through the bridge; the record keeps it beside the text and puts it
        # back, and the bridge hands it to X programs as text/html again.
        self.start()
        owner = subprocess.Popen([sys.executable, str(Path(__file__).parent.parent / "e2e" / "clip_owner.py"),
                                  "UTF8_STRING=text:rich text", "text/html=text:<p><b>rich</b> text</p>"],
                                 stdout=subprocess.PIPE)
        self.owners.append(owner)
        self.assertEqual(owner.stdout.readline().strip(), b"ready")
        manual = self.folder / "manual-save"
        def recorded():
            self.keys("ctrl+t")
            time.sleep(1.1)  # a save folder of its own second
            return any(p.read_bytes() == b"rich text" for p in manual.rglob("*.txt"))
        wait_until(recorded, timeout=30, what="the record")
        self.owners.append(offer(b"plain", "UTF8_STRING"))
        time.sleep(1 * SLOWDOWN)
        self.copy_back("Text")
        wait_until(lambda: b"text/html" in clipboard("TARGETS"), timeout=10, what="the record's html")
        self.assertEqual(clipboard("UTF8_STRING"), b"rich text")
        self.assertIn(b"<b>rich</b> text", clipboard("text/html"))

        # Windows keeps a copy after its owner exits, and Quillory puts
        # nothing back by itself: an owner that goes leaves what Windows
        # (here Wine, which then empties it) makes of it.
        gone = offer(b"gone with its owner", "UTF8_STRING")
        gone.kill()
        gone.wait()
        time.sleep(2 * SLOWDOWN)
        self.assertEqual(clipboard("TARGETS"), b"")

    def test_the_license_opens_from_the_about_menu(self):
        # As the program is handed out: the license beside the executable.
        (self.folder / "info").mkdir()
        shutil.copy(Path(__file__).parent.parent.parent / "info" / "license.txt", self.folder / "info")
        self.start()
        self.click(self.ABOUT_MENU)
        self.click(self.LICENSE_ITEM)
        dialog = lambda: subprocess.run(["xdotool", "search", "--onlyvisible", "--name", "^Quillory :: License$"],
                                        capture_output=True, text=True).stdout.split()
        wait_until(dialog, timeout=10, what="the License dialog")
        time.sleep(0.5 * SLOWDOWN)
        self.click_control("button", "Close", window="Quillory :: License")
        wait_until(lambda: not dialog(), timeout=10, what="the License dialog to close")
        self.assertIsNone(self.program.poll())


    def saved(self, suffix, key):
        """Saves the records of one kind (Ctrl+T, Ctrl+I) and returns the files it wrote."""
        manual = self.folder / "manual-save"
        before = set(manual.rglob("*"))

        def written():
            return sorted(p for p in manual.rglob("*" + suffix) if p.is_file() and p not in before)

        self.keys(key)
        wait_until(written, timeout=10, interval=0.1, what="the saved " + suffix)
        time.sleep(0.5 * SLOWDOWN)
        return written()

    def test_real_programs_on_both_sides(self):
        self.start()
        # An X editor: its text arrives with the line ends Windows texts have.
        note = self.base / "note.txt"
        note.write_text("Grüße, 日本, €\nzweite Zeile\nend\n", encoding="utf-8")
        Client(self, ["mousepad", str(note)], "note.txt - Mousepad$").keys("ctrl+a", "ctrl+c")
        expected_text = note.read_bytes().replace(b"\n", b"\r\n")
        wait_until(lambda: [p.read_bytes() for p in self.saved(".txt", "ctrl+t")] == [expected_text], timeout=20,
                   interval=0.5, what="the editor's text")

        # An X file manager: every file, whatever its name, byte for byte.
        source = self.base / "source"
        source.mkdir()
        contents = {"plain.txt": b"one\r\n\x00\x1a", "grüße – €.txt": bytes(range(256)) * 40}
        for name, data in contents.items():
            (source / name).write_bytes(data)
        Client(self, ["pcmanfm", str(source)], "^source$").keys("ctrl+a", "ctrl+c")
        copied = self.folder / "copied-files"
        wait_until(lambda: {p.name: p.read_bytes() for p in copied.glob("*/*")} == contents, timeout=20,
                   interval=0.2, what="the file manager's files")

        # An X image viewer.
        photo = self.base / "photo.png"
        subprocess.run(["convert", "-size", "64x40", "plasma:fractal", "-depth", "8", str(photo)], check=True)
        viewer = Client(self, ["ristretto", str(photo)], "^photo.png - ")

        def viewer_copied():
            viewer.keys("ctrl+c")  # again, until the viewer has the picture to copy
            return b"image/png" in clipboard("TARGETS").split()

        wait_until(viewer_copied, timeout=20, interval=0.5, what="the viewer's copy")
        time.sleep(2 * SLOWDOWN)
        jpegs = self.saved(".jpg", "ctrl+i")
        self.assertEqual(len(jpegs), 1)
        size = subprocess.run(["identify", "-format", "%wx%h", str(jpegs[0])], capture_output=True, text=True)
        self.assertEqual(size.stdout, "64x40")

        # A Windows program, Wine's Notepad: what it copies is recorded, and
        # the editor's text put back pastes into it.
        notepad = Client(self, [WINE, "notepad"], "Notepad$")
        notepad.keys("ctrl+a", "Delete")
        subprocess.run(["xdotool", "type", "--delay", "20", "typed in notepad"], check=True)
        notepad.keys("Return")
        subprocess.run(["xdotool", "type", "--delay", "20", "second line"], check=True)
        notepad.keys("ctrl+a", "ctrl+c")
        wait_until(lambda: b"typed in notepad\r\nsecond line" in [p.read_bytes() for p in self.saved(".txt", "ctrl+t")],
                   timeout=20, interval=0.5, what="Notepad's text")
        self.copy_back("Text")
        notepad.keys("ctrl+a", "ctrl+v", "ctrl+End")
        subprocess.run(["xdotool", "type", "--delay", "20", "!"], check=True)
        notepad.keys("ctrl+a", "ctrl+c")
        # Back on the X side through the bridge, which gives X programs LF.
        wait_until(lambda: clipboard("UTF8_STRING") == note.read_bytes() + b"!", timeout=10, interval=0.2,
                   what="the text pasted into Notepad and copied again")

    def test_leaving_while_a_large_file_is_copied(self):
        big = self.base / "big.bin"
        with open(big, "wb") as f:
            f.truncate(3 << 30)  # 3 GiB of holes, read as zeros
        for way_out in ("Alt+F4", "kill"):
            with self.subTest(way_out):
                self.start()
                self.owners.append(offer(b"file://" + quote(str(big)).encode() + b"\r\n", "text/uri-list"))
                copying = self.folder / "copied-files" / "1"
                wait_until(lambda: any(copying.glob(".quillory-*.tmp")), timeout=20, interval=0.05,
                           what="the copy to start")
                started = time.monotonic()
                if way_out == "Alt+F4":
                    self.keys("alt+F4")
                else:
                    self.wineserver("-k")
                self.program.wait(timeout=30 * SLOWDOWN)
                print("%s during a 3 GiB copy: ended after %.2f s" % (way_out, time.monotonic() - started),
                      file=sys.stderr)
                if way_out == "Alt+F4":
                    self.assertFalse(copying.parent.exists())
                else:
                    # Killed: the half-written copy is gone with the process;
                    # the folder is the next start's to remove.
                    self.wineserver("-w")
                    self.assertEqual([p.name for p in copying.iterdir()], [])
                for owner in self.owners:
                    owner.kill()
                    owner.wait()
        self.start()
        wait_until(lambda: not (self.folder / "copied-files").exists(), timeout=10, what="the old folder to go")
        self.assertEqual(list(self.folder.rglob("*.tmp")), [])


if __name__ == "__main__":
    if not EXE or not EXE.is_file():
        sys.exit("usage: test_windows.py path/to/quillory.exe")
    unittest.main()
