import time

import os

from quillory_e2e import (SLOWDOWN, QuilloryTest, get_clipboard, main, set_clipboard, start_helper, start_owner,
                          wait_until, settle)


class TextCapture(QuilloryTest):
    def test_records_new_texts_including_the_one_there_at_start(self):
        set_clipboard("already there")
        q = self.q.start()
        q.wait_label("You currently have 1 items of text saved from the clipboard")

        set_clipboard("second")
        q.wait_label("You currently have 2 items of text saved from the clipboard")
        set_clipboard("second")     # a new owner with the same text
        set_clipboard("")           # emptied: no record
        set_clipboard("second")     # the last text is still remembered
        set_clipboard("Second")
        q.wait_label("You currently have 3 items of text saved from the clipboard")
        settle(0.3)
        self.assertEqual(q.label("You currently"), "You currently have 3 items of text saved from the clipboard")

        self.assertEqual(q.label("Currently viewing"), "Currently viewing #0")
        q.press("Next >>")
        q.wait_label("Currently viewing #1")
        preview = q.text_boxes()[0]
        self.assertEqual(q.text_of(preview), "already there")

    def test_the_timing_log_has_a_line_for_each_record_when_asked_for(self):
        log = os.path.join(self.q.dir, "timing.log")
        os.environ["QUILLORY_TIMING_LOG"] = log
        try:
            q = self.q.start()
        finally:
            del os.environ["QUILLORY_TIMING_LOG"]
        for i in range(1, 4):
            before = time.monotonic()
            set_clipboard("timed %d" % i)
            q.wait_label("You currently have %d items of text saved from the clipboard" % i)
            waited = time.monotonic() - before
        with open(log) as f:
            lines = [line.split() for line in f.read().splitlines()]
        self.assertEqual([kind for kind, _ in lines], ["text"] * 3)
        # Microseconds from the change to the page, within what the test
        # itself waited for the last one.
        self.assertTrue(all(0 <= int(us) for _, us in lines))
        self.assertLess(int(lines[-1][1]), waited * 1e6)

    def test_copy_back_puts_the_record_on_the_clipboard(self):
        q = self.q.start()
        for i, text in enumerate(["alpha", "beta\nwith a second line", "gamma \u20ac"], start=1):
            set_clipboard(text)
            q.wait_label("You currently have %d items of text saved from the clipboard" % i)
        q.press("Next >>")
        q.press("Next >>")
        q.wait_label("Currently viewing #2")
        q.press("Copy to Clipboard")
        wait_until(lambda: get_clipboard() == "beta\nwith a second line".encode(), what="the copy on the clipboard")
        # An older record put back is new clipboard content, recorded again.
        q.wait_label("You currently have 4 items of text saved from the clipboard")

    def test_an_owner_that_never_answers_does_not_freeze_the_window(self):
        q = self.q.start()
        set_clipboard("before")
        q.wait_label("You currently have 1 items of text saved from the clipboard")

        hung = start_helper("hung_owner.py")
        self.addCleanup(hung.kill)
        settle(0.5)
        self.assertTrue(q.responds_within(1.0))
        q.press("Next >>")
        q.wait_label("Currently viewing #1", timeout=1.0)

        start = time.monotonic()
        set_clipboard("after")
        q.wait_label("You currently have 2 items of text saved from the clipboard", timeout=2.0)
        self.assertLess(time.monotonic() - start, 1.0 * SLOWDOWN)

    def test_every_text_form_is_recorded_byte_for_byte(self):
        q = self.q.start()
        nul, invalid = b"before\x00after", b"caf\xe9 \xff\xfe"
        cases = [  # what the owner offers, and what is recorded
            ("UTF8_STRING", b"x\r\ny", b"x\r\ny"),
            ("UTF8_STRING", b"x\ny", b"x\ny"),  # line ends tell texts apart
            ("text/plain", b"only text/plain\r\n", b"only text/plain\r\n"),
            ("text/plain;charset=utf-8", "only utf-8 \u20ac\r\n".encode(), "only utf-8 \u20ac\r\n".encode()),
            ("STRING", b"latin-1 caf\xe9\r", "latin-1 caf\u00e9\r".encode()),
            ("COMPOUND_TEXT", b"compound \xe9", "compound \u00e9".encode()),
            ("TEXT", b"the TEXT target", b"the TEXT target"),
            ("UTF8_STRING", nul, nul),
            ("UTF8_STRING", invalid, invalid),
        ]
        for number, (target, offered, _) in enumerate(cases, start=1):
            path = os.path.join(q.dir, "offer%d" % number)
            with open(path, "wb") as f:
                f.write(offered)
            owner = start_owner("%s=file:%s" % (target, path))
            q.wait_label("You currently have %d items of text saved from the clipboard" % number)
            owner.kill()
            owner.wait()
        self.assertEqual(q.saved_texts(), [expected for _, _, expected in cases])

        # The preview shows what is no UTF-8 readably; the copy is the bytes.
        q.show_record(8, "Text")
        self.assertEqual(q.text_of(q.text_boxes()[0]), "before\u2400after")
        q.show_record(9, "Text")
        self.assertEqual(q.text_of(q.text_boxes()[0]), "caf\ufffd \ufffd\ufffd")
        q.press("Copy to Clipboard")
        wait_until(lambda: get_clipboard("UTF8_STRING") == invalid, what="the recorded bytes on the clipboard")


if __name__ == "__main__":
    main()
