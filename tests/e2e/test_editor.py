"""Texts copied in a GTK editor, Mousepad, are recorded byte for byte, and
what Quillory hands back pastes there unchanged."""

import os
import time

from quillory_e2e import (SLOWDOWN, Client, QuilloryTest, get_clipboard, main, set_clipboard, settle,
                          start_window_manager, wait_until)


class Editor(QuilloryTest):
    def setUp(self):
        super().setUp()
        manager = start_window_manager()
        self.addCleanup(manager.wait)
        self.addCleanup(manager.kill)

    def test_mousepad_round_trip(self):
        q = self.q.start()
        path = os.path.join(q.dir, "note.txt")
        long_line = " ".join("w%d" % i for i in range(20000))  # one line of about 130 KB
        with open(path, "w", encoding="utf-8") as f:
            f.write("Gr\u00fc\u00dfe, \u65e5\u672c, \u20ac\n" + long_line + "\nend\n")
        mousepad = Client(self, ["mousepad", path], "note.txt - Mousepad$")
        mousepad.keys("ctrl+a", "ctrl+c")
        q.wait_label("You currently have 1 items of text saved from the clipboard", timeout=10)
        offered = get_clipboard("UTF8_STRING")
        with open(path, "rb") as f:
            self.assertEqual(offered, f.read())
        self.assertEqual(q.saved_texts(), [offered])

        # A text with CRLF line ends from another program is kept as it
        # came, and pasted into the editor as it came.
        crlf = "first line\r\nsecond \u2013 \u00fc\r\n".encode()
        set_clipboard(crlf, "UTF8_STRING")
        q.wait_label("You currently have 2 items of text saved from the clipboard")
        set_clipboard("something else")
        q.wait_label("You currently have 3 items of text saved from the clipboard")
        q.show_record(2, "Text")
        q.press("Copy to Clipboard")
        q.wait_label("You currently have 4 items of text saved from the clipboard")
        mousepad.keys("ctrl+a", "ctrl+v", "ctrl+a", "ctrl+c")
        wait_until(lambda: get_clipboard("UTF8_STRING") == crlf, what="the editor's copy of the pasted text")
        settle(0.3)
        self.assertEqual(q.count("Text"), 4)  # the same bytes again: nothing new
        saved = q.saved_texts()
        self.assertEqual(saved[1], crlf)
        self.assertEqual(saved[3], crlf)

    def test_a_copy_outlives_the_editor_that_made_it(self):
        # GTK hands its copy to the clipboard manager as it quits, and waits
        # up to 10 s for a manager that does not answer.
        q = self.q.start()
        path = os.path.join(q.dir, "gone.txt")
        with open(path, "w", encoding="utf-8") as f:
            f.write("copied, then the editor quit \u2013 still here\n")
        mousepad = Client(self, ["mousepad", path], "gone.txt - Mousepad$")
        mousepad.keys("ctrl+a", "ctrl+c")
        q.wait_label("You currently have 1 items of text saved from the clipboard", timeout=10)
        start = time.monotonic()
        mousepad.keys("ctrl+q")
        mousepad.process.wait(timeout=20)
        print("the editor ended %.0f ms after its quit key" % (1000 * (time.monotonic() - start)))
        self.assertLess(time.monotonic() - start, 1.0 * SLOWDOWN + 0.3)  # the keys' own pause included
        with open(path, "rb") as f:
            copied = f.read()
        # A request that reached the editor as it ended is never answered.
        wait_until(lambda: get_clipboard("UTF8_STRING", timeout=0.5 * SLOWDOWN) == copied, timeout=2,
                   what="the copy after the editor")
        settle(0.3)
        self.assertEqual(q.count("Text"), 1)



if __name__ == "__main__":
    main()
