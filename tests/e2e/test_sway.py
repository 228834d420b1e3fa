"""Quillory on a sway session, reading and writing the clipboard through
wlroots' data-control while native Wayland programs have the focus."""

import os
import signal
import time

from quillory_e2e import SLOWDOWN, QuilloryTest, main, make_png, settle, uri_list, wait_until
from wayland_session import Sway


class OnSway(QuilloryTest):
    def start(self, xwayland=True):
        self.sway = Sway(self, xwayland=xwayland)
        # A native window has the focus while others copy.
        editor = self.sway.run(["mousepad"])
        self.addCleanup(editor.kill)
        wait_until(lambda: b"mousepad" in self.sway.swaymsg("-t", "get_tree").stdout.lower(), timeout=20,
                   what="the editor's window")
        self.q.start(env=self.sway.env)
        return self.q

    def saved(self):
        self.q.menu_item("Save All Text Entries")
        parent = os.path.join(self.q.dir, "manual-save", "text")
        folder = wait_until(lambda: os.path.isdir(parent) and os.listdir(parent), what="the save")
        folder = os.path.join(parent, sorted(folder)[-1])
        count = self.q.count("Text")
        wait_until(lambda: len(os.listdir(folder)) == count, what="every text saved")
        texts = []
        for n in range(1, count + 1):
            with open(os.path.join(folder, "%d.txt" % n), "rb") as f:
                texts.append(f.read())
        return texts

    def test_every_kind_recorded_exactly_and_copied_back(self):
        q = self.start()
        texts = [("burst %d " % i).encode() * (i + 1) for i in range(30)]
        for text in texts:
            self.sway.copy(text)
        q.wait_label("You currently have 30 items of text saved from the clipboard")
        odd = [b"caf\xe9 \xff\xfe not UTF-8", b"first\r\nsecond\r\n"]
        for text in odd:
            self.sway.copy(text, "text/plain;charset=utf-8")
        q.wait_label("You currently have 32 items of text saved from the clipboard")
        self.assertEqual(self.saved(), texts + odd)

        with open(make_png(os.path.join(q.dir, "picture.png"), 64, 48), "rb") as f:
            png = f.read()
        self.sway.copy(png, "image/png")
        q.wait_label("You currently have 1 images saved from the clipboard", page="Images")

        name = os.path.join(q.dir, "Gr\u00fc\u00dfe f\u00fcr dich.txt")
        with open(name, "w") as f:
            f.write("a file to keep")
        self.sway.copy(uri_list([name]).encode(), "text/uri-list")
        q.wait_label("You currently have 1 files saved from the clipboard", page="Files")
        stored = os.path.join(q.copied_files, "1", os.path.basename(name))
        wait_until(lambda: os.path.exists(stored) and open(stored).read() == "a file to keep",
                   what="the stored copy")

        # Back, as native programs paste it.
        q.show_record(32, "Text")
        q.press("Copy to Clipboard")
        wait_until(lambda: "UTF8_STRING" in self.sway.offered() and "text/plain" not in self.sway.offered(),
                   what="Quillory's copy")
        self.assertEqual(self.sway.paste("UTF8_STRING"), odd[1])
        q.show_record(5, "Text")
        q.press("Copy to Clipboard")
        wait_until(lambda: "text/plain;charset=utf-8" in self.sway.offered(), what="Quillory's copy")
        for mime in ["text/plain;charset=utf-8", "UTF8_STRING", "STRING", "TEXT"]:
            self.assertEqual(self.sway.paste(mime), texts[4], mime)
        q.show_record(1, "Images")
        q.press("Copy to Clipboard", page="Images")
        wait_until(lambda: self.sway.offered() == ["image/png"], what="Quillory's image")
        self.assertEqual(self.sway.paste("image/png")[:8], b"\x89PNG\r\n\x1a\n")
        q.show_record(1, "Files")
        q.press("Copy to Clipboard", page="Files")
        wait_until(lambda: "text/uri-list" in self.sway.offered(), what="Quillory's file")
        self.assertEqual(self.sway.paste("text/uri-list").decode(), uri_list([stored]))
        # Its own copies are recorded as any other program's: #32 was the
        # newest text already, #5 is new again.
        settle(0.3)
        self.assertEqual(q.count("Text"), 33)

    def test_sigterm_and_closing_with_work_in_flight(self):
        for how in ["close", "sigterm"]:
            with self.subTest(how):
                q = self.start()
                folder = os.path.join(q.dir, "many")
                os.makedirs(folder)
                names = []
                for i in range(200):
                    names.append(os.path.join(folder, "file %03d" % i))
                    with open(names[-1], "wb") as f:
                        f.write(os.urandom(1 << 16))
                self.sway.copy(uri_list(names).encode(), "text/uri-list")
                wait_until(lambda: os.path.isdir(q.copied_files), what="stored copies under way")
                start = time.monotonic()
                if how == "sigterm":
                    q.process.send_signal(signal.SIGTERM)
                else:
                    self.sway.swaymsg("[pid=%d]" % q.process.pid, "kill")
                q.process.wait(timeout=5 * SLOWDOWN)
                self.assertLess(time.monotonic() - start, 1.5 * SLOWDOWN)
                self.assertFalse(os.path.lexists(q.copied_files))
                self.sway.close()
                self.q.close()
                self.q = type(self.q)()
                self.addCleanup(self.q.close)

    def test_starts_and_records_without_xwayland(self):
        q = self.start(xwayland=False)
        self.sway.copy(b"no X at all")
        q.wait_label("You currently have 1 items of text saved from the clipboard")
        self.assertEqual(self.saved(), [b"no X at all"])


if __name__ == "__main__":
    main()
