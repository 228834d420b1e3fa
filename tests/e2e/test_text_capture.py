import time

from quillory_e2e import SLOWDOWN, QuilloryTest, get_clipboard, main, set_clipboard, start_helper, wait_until


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
        time.sleep(0.3)
        self.assertEqual(q.label("You currently"), "You currently have 3 items of text saved from the clipboard")

        self.assertEqual(q.label("Currently viewing"), "Currently viewing #0")
        q.press("Next >>")
        q.wait_label("Currently viewing #1")
        preview = q.text_boxes()[0]
        self.assertEqual(q.text_of(preview), "already there")

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
        time.sleep(0.5)
        self.assertTrue(q.responds_within(1.0))
        q.press("Next >>")
        q.wait_label("Currently viewing #1", timeout=1.0)

        start = time.monotonic()
        set_clipboard("after")
        q.wait_label("You currently have 2 items of text saved from the clipboard", timeout=2.0)
        self.assertLess(time.monotonic() - start, 1.0 * SLOWDOWN)


if __name__ == "__main__":
    main()
