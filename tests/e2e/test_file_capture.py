import os

from quillory_e2e import QuilloryTest, get_clipboard, main, set_clipboard, uri_list, wait_until, settle


class FileCapture(QuilloryTest):
    def make(self, name, content):
        path = os.path.join(self.q.dir, "originals", name)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            f.write(content)
        return path

    def test_records_files_with_exact_copies_and_hands_the_copy_back(self):
        spaced = self.make("notes with spaces.txt", b"one\r\ntwo\n\x00\x1a end")
        accented = self.make("r\u00e9sum\u00e9 \u2013 2026.pdf", os.urandom(300000))
        q = self.q.start()

        set_clipboard(uri_list([spaced, accented]), "text/uri-list")
        q.wait_label("You currently have 2 files saved from the clipboard", page="Files")
        for number, original in enumerate([spaced, accented], start=1):
            stored = os.path.join(q.copied_files, str(number), os.path.basename(original))
            with open(original, "rb") as a, open(stored, "rb") as b:
                self.assertEqual(a.read(), b.read())

        q.find("page tab list").querySelection().selectChild(2)
        q.press("Next >>", page="Files")
        q.press("Next >>", page="Files")
        q.wait_label("Currently viewing #2", page="Files")
        labels = [q.text_of(n) for n in q.find_all("label", root=q.page("Files"))]  # as they show
        self.assertIn("r\u00e9sum\u00e9 \u2013 2026.pdf", labels)
        self.assertIn("292kb", labels)
        self.assertIn("pdf", labels)
        boxes = [q.text_of(box) for box in q.text_boxes(page="Files")]
        self.assertEqual(boxes[0], accented)

        q.press("Copy to Clipboard", page="Files")
        stored = os.path.join(q.copied_files, "2", os.path.basename(accented))
        wait_until(lambda: get_clipboard("text/uri-list").decode() == uri_list([stored]),
                   what="the stored copy on the clipboard")
        targets = get_clipboard("TARGETS").decode().split()
        self.assertIn("x-special/gnome-copied-files", targets)
        # The stored copy is a new list: it is recorded as a file again.
        q.wait_label("You currently have 3 files saved from the clipboard", page="Files")

        q.menu_item("Exit")
        self.assertEqual(q.wait_exit(), 0)
        self.assertFalse(os.path.exists(q.copied_files))

    def test_fifos_and_devices_do_not_hang_capture(self):
        fifo = os.path.join(self.q.dir, "a fifo")
        os.mkfifo(fifo)
        plain = self.make("plain.txt", b"plain")
        q = self.q.start()
        set_clipboard(uri_list([fifo, "/dev/zero", plain]), "text/uri-list")
        q.wait_label("You currently have 3 files saved from the clipboard", page="Files", timeout=3)
        self.assertTrue(q.responds_within(1.0))
        set_clipboard("text after the files")
        q.wait_label("You currently have 1 items of text saved from the clipboard", timeout=2)
        self.assertFalse(os.path.exists(os.path.join(q.copied_files, "2", "zero")))

    def test_a_link_list_is_text_not_files(self):
        q = self.q.start()
        set_clipboard("https://example.org/page\r\n", "text/uri-list")
        settle(0.5)
        self.assertEqual(q.label("You currently", page="Files"),
                         "You currently have 0 files saved from the clipboard")


if __name__ == "__main__":
    main()
