import glob
import os

from quillory_e2e import QuilloryTest, main, make_png, set_clipboard, set_clipboard_file, uri_list, wait_until


class Save(QuilloryTest):
    def test_keyboard_commands_write_the_records(self):
        q = self.q
        original = os.path.join(q.dir, "budget 2026.ods")
        with open(original, "wb") as f:
            f.write(os.urandom(100000))
        picture = make_png(os.path.join(q.dir, "picture.png"), 640, 480)
        q.start()

        set_clipboard("first text \u00e9\r\nsecond line")
        q.wait_label("You currently have 1 items of text saved from the clipboard")
        set_clipboard_file(picture, "image/png")
        q.wait_label("You currently have 1 images saved from the clipboard", page="Images")
        set_clipboard(uri_list([original]), "text/uri-list")
        q.wait_label("You currently have 1 files saved from the clipboard", page="Files")

        q.key("ctrl+s")
        manual = os.path.join(q.dir, "manual-save")
        saved = wait_until(lambda: glob.glob(os.path.join(manual, "*", "files", "budget 2026.ods")),
                           what="the saved file")[0]
        stamp_folder = os.path.dirname(os.path.dirname(saved))
        with open(saved, "rb") as a, open(original, "rb") as b:
            self.assertEqual(a.read(), b.read())
        with open(os.path.join(stamp_folder, "text", "1.txt"), "rb") as f:
            self.assertEqual(f.read(), "first text \u00e9\r\nsecond line".encode())
        with open(os.path.join(stamp_folder, "images", "1.jpg"), "rb") as f:
            self.assertEqual(f.read(3), b"\xff\xd8\xff")

        q.key("ctrl+t")
        text = wait_until(lambda: glob.glob(os.path.join(manual, "text", "*", "1.txt")), what="the text save")[0]
        with open(text, "rb") as f:
            self.assertEqual(f.read(), "first text \u00e9\r\nsecond line".encode())

    def test_a_save_that_fails_says_so(self):
        q = self.q
        with open(os.path.join(q.dir, "manual-save"), "w") as f:
            f.write("a file where the save folder should be")
        folder = os.path.join(q.dir, "a folder")
        os.makedirs(folder)
        q.start()
        set_clipboard("a text")
        q.wait_label("You currently have 1 items of text saved from the clipboard")
        set_clipboard(uri_list([folder]), "text/uri-list")
        q.wait_label("You currently have 1 files saved from the clipboard", page="Files")
        q.key("ctrl+s")
        message = wait_until(lambda: q.find("label", prefix="2 records could not be saved", root=q.app),
                             what="the message")
        self.assertIn(os.path.join(q.dir, "manual-save"), message.name)
        self.assertIn("File exists", message.name)
        q.find_all("push button", "OK", root=q.app)[-1].queryAction().doAction(0)
        # Keys reach the window only once the modal message box is gone.
        wait_until(lambda: not q.find("label", prefix="2 records could not be saved", root=q.app),
                   what="the message to close")

        # Only what failed is counted: here the folder, which has no stored copy.
        os.remove(os.path.join(q.dir, "manual-save"))
        q.key("ctrl+s")
        message = wait_until(lambda: q.find("label", prefix="1 record could not be saved", root=q.app),
                             what="the second message")
        self.assertIn("has no stored copy", message.name)
        saved = glob.glob(os.path.join(q.dir, "manual-save", "*", "text", "1.txt"))
        self.assertEqual(len(saved), 1)

    def test_a_program_folder_whose_name_is_no_utf8(self):
        q = self.q
        odd = os.path.join(q.dir, os.fsdecode(b"caf\xe9 \xff"))
        os.makedirs(odd)
        os.rename(q.executable, os.path.join(odd, "quillory"))
        q.executable = os.path.join(odd, "quillory")
        q.copied_files = os.path.join(odd, "copied-files")
        original = os.path.join(q.dir, "kept.txt")
        with open(original, "w") as f:
            f.write("kept")
        q.start()
        set_clipboard(uri_list([original]), "text/uri-list")
        q.wait_label("You currently have 1 files saved from the clipboard", page="Files")
        with open(os.path.join(odd, "copied-files", "1", "kept.txt")) as f:
            self.assertEqual(f.read(), "kept")
        q.key("ctrl+f")
        wait_until(lambda: glob.glob(os.path.join(odd, "manual-save", "*", "files", "kept.txt")), what="the save")
        self.assertEqual(sorted(os.listdir(q.dir)), sorted([os.path.basename(odd), "kept.txt"]))


if __name__ == "__main__":
    main()
