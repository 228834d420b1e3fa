"""The cases every Wayland compositor's test file runs: Quillory reading and
writing the clipboard through data-control while a native Wayland program
has the focus."""

import os
import signal
import time

from quillory_e2e import SLOWDOWN, QuilloryTest, main, make_png, settle, uri_list, wait_until


class WaylandCases(QuilloryTest):
    SESSION = None  # the compositor's session class, set by each test file

    def setUp(self):
        if self.SESSION is None:
            self.skipTest("the shared cases, run by each compositor's file")
        super().setUp()

    def start(self, xwayland=True):
        self.session = self.SESSION(self, xwayland=xwayland)
        # A native window has the focus while others copy.
        editor = self.session.run(["mousepad"])
        self.addCleanup(editor.kill)
        wait_until(lambda: self.session.has_window("mousepad"), timeout=20, what="the editor's window")
        self.q.start(env=self.session.env)
        return self.q

    def saved(self):
        return self.q.saved_texts(from_menu=True)

    def test_every_kind_recorded_exactly_and_copied_back(self):
        q = self.start()
        texts = [("burst %d " % i).encode() * (i + 1) for i in range(30)]
        # One after another as soon as each is in: a copy replaced before
        # anyone read it is gone (its owner exits), which a loaded machine
        # would turn into a lost record that no reader could have had.
        for n, text in enumerate(texts, start=1):
            self.session.copy(text)
            q.wait_label("You currently have %d items of text saved from the clipboard" % n)
        odd = [b"caf\xe9 \xff\xfe not UTF-8", b"first\r\nsecond\r\n"]
        for text in odd:
            self.session.copy(text, "text/plain;charset=utf-8")
        q.wait_label("You currently have 32 items of text saved from the clipboard")
        self.assertEqual(self.saved(), texts + odd)

        with open(make_png(os.path.join(q.dir, "picture.png"), 64, 48), "rb") as f:
            png = f.read()
        self.session.copy(png, "image/png")
        q.wait_label("You currently have 1 images saved from the clipboard", page="Images")

        name = os.path.join(q.dir, "Gr\u00fc\u00dfe f\u00fcr dich.txt")
        with open(name, "w") as f:
            f.write("a file to keep")
        self.session.copy(uri_list([name]).encode(), "text/uri-list")
        q.wait_label("You currently have 1 files saved from the clipboard", page="Files")
        stored = os.path.join(q.copied_files, "1", os.path.basename(name))
        wait_until(lambda: os.path.exists(stored) and open(stored).read() == "a file to keep",
                   what="the stored copy")

        # Back, as native programs paste it.
        q.show_record(32, "Text")
        q.press("Copy to Clipboard")
        wait_until(lambda: "UTF8_STRING" in self.session.offered() and self.session.paste("UTF8_STRING") == odd[1],
                   what="Quillory's copy")
        # Offered as its owner offered it, wl-copy's own text/plain with its
        # bytes among the rest.
        self.assertEqual(self.session.paste("text/plain"), odd[1])
        q.show_record(5, "Text")
        q.press("Copy to Clipboard")
        wait_until(lambda: "text/plain;charset=utf-8" in self.session.offered(), what="Quillory's copy")
        for mime in ["text/plain;charset=utf-8", "UTF8_STRING", "STRING", "TEXT"]:
            self.assertEqual(self.session.paste(mime), texts[4], mime)
        q.show_record(1, "Images")
        q.press("Copy to Clipboard", page="Images")
        wait_until(lambda: "image/png" in self.session.offered() and "UTF8_STRING" not in self.session.offered(),
                   what="Quillory's image")
        self.assertEqual(self.session.paste("image/png")[:8], b"\x89PNG\r\n\x1a\n")
        q.show_record(1, "Files")
        q.press("Copy to Clipboard", page="Files")
        wait_until(lambda: "text/uri-list" in self.session.offered(), what="Quillory's file")
        self.assertEqual(self.session.paste("text/uri-list").decode(), uri_list([stored]))
        # Its own copies are recorded as any other program's: #32 was the
        # newest text already, #5 is new again.
        settle(0.3)
        self.assertEqual(q.count("Text"), 33)

    def test_secrets_and_an_owner_that_never_writes(self):
        if not self.SESSION.HAS_DATA_CONTROL:
            self.skipTest("the tests' own owner needs data-control")
        q = self.start()
        import quillory_e2e
        helper = os.path.join(os.path.dirname(quillory_e2e.EXECUTABLE), "tests", "wayland_owner")
        self.session.copy(b"before")
        q.wait_label("You currently have 1 items of text saved from the clipboard")
        secret = self.session.owner(helper, {"text/plain;charset=utf-8": b"hunter2",
                                          "x-kde-passwordManagerHint": b"secret"})
        self.addCleanup(secret.kill)
        wait_until(lambda: self.session.paste("text/plain;charset=utf-8") == b"hunter2", what="the secret's owner")
        silent = self.session.owner(helper, {"UTF8_STRING": b"never sent"}, never_write=True)
        self.addCleanup(silent.kill)
        settle(0.3)
        self.assertTrue(q.responds_within(1.0))
        self.session.copy(b"after")
        q.wait_label("You currently have 2 items of text saved from the clipboard", timeout=2)
        self.assertEqual(self.saved(), [b"before", b"after"])

        # A native program's rich copy comes back whole, byte for byte.
        rich = {"text/html": b"<b>rich</b> \xe2\x82\xac", "text/plain;charset=utf-8": b"rich \xe2\x82\xac",
                "application/rtf": b"{\\rtf1 {\\b rich}}", "image/png": b"a rendering, not asked for"}
        owner = self.session.owner(helper, rich)
        self.addCleanup(owner.kill)
        q.wait_label("You currently have 3 items of text saved from the clipboard")
        self.session.copy(b"something else")
        q.wait_label("You currently have 4 items of text saved from the clipboard")
        q.show_record(3, "Text")
        q.press("Copy to Clipboard")
        wait_until(lambda: "text/html" in self.session.offered(), what="Quillory's copy")
        offered = self.session.offered()
        self.assertNotIn("image/png", offered)
        self.assertLess(offered.index("text/html"), offered.index("UTF8_STRING"))
        for mime in ("text/html", "text/plain;charset=utf-8", "application/rtf"):
            self.assertEqual(self.session.paste(mime), rich[mime], mime)

        # A native program's copy outlives it, whole, and is no new record.
        gone = {"text/html": b"<i>outlives</i>", "text/plain;charset=utf-8": b"outlives its owner"}
        settle(0.3)
        count = q.count("Text") + 1
        owner = self.session.owner(helper, gone)
        q.wait_label("You currently have %d items of text saved from the clipboard" % count)
        owner.kill()
        owner.wait()
        wait_until(lambda: self.session.paste("text/html") == gone["text/html"], timeout=2,
                   what="the copy after its owner")
        self.assertEqual(self.session.paste("text/plain;charset=utf-8"), gone["text/plain;charset=utf-8"])
        settle(0.3)
        self.assertEqual(q.count("Text"), count)

    def test_sigterm_and_closing_with_work_in_flight(self):
        # Closing as Alt+F4 does is asked of the compositor, where it can be
        # from outside.
        for how in (["close"] if self.SESSION.CAN_CLOSE else []) + ["sigterm"]:
            with self.subTest(how):
                q = self.start()
                folder = os.path.join(q.dir, "many")
                os.makedirs(folder)
                names = []
                for i in range(200):
                    names.append(os.path.join(folder, "file %03d" % i))
                    with open(names[-1], "wb") as f:
                        f.write(os.urandom(1 << 16))
                self.session.copy(uri_list(names).encode(), "text/uri-list")
                wait_until(lambda: os.path.isdir(q.copied_files), what="stored copies under way")
                start = time.monotonic()
                if how == "sigterm":
                    q.process.send_signal(signal.SIGTERM)
                else:
                    self.session.close_window(q.process.pid)
                q.process.wait(timeout=5 * SLOWDOWN)
                self.assertLess(time.monotonic() - start, 1.5 * SLOWDOWN)
                self.assertFalse(os.path.lexists(q.copied_files))
                self.session.close()
                self.q.close()
                self.q = type(self.q)()
                self.addCleanup(self.q.close)

    def test_the_compositor_going_away(self):
        if not self.SESSION.ENDS_WITH_SESSION:
            self.skipTest("the window is not on this session")
        q = self.start()
        original = os.path.join(q.dir, "kept.txt")
        with open(original, "w") as f:
            f.write("a private file")
        self.session.copy(uri_list([original]).encode(), "text/uri-list")
        wait_until(lambda: os.path.exists(os.path.join(q.copied_files, "1", "kept.txt")), what="the stored copy")
        start = time.monotonic()
        os.killpg(self.session.process.pid, signal.SIGKILL)
        q.process.wait(timeout=5 * SLOWDOWN)
        self.assertLess(time.monotonic() - start, 1.5 * SLOWDOWN)
        self.assertFalse(os.path.lexists(q.copied_files))
