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


if __name__ == "__main__":
    main()
