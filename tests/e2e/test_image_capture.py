import glob
import os

from quillory_e2e import (QuilloryTest, get_clipboard, main, make_png, png_size, set_clipboard,
                          set_clipboard_file, wait_until, settle)


class ImageCapture(QuilloryTest):
    def png(self, name, width, height, pattern="gradient:red-blue"):
        return make_png(os.path.join(self.q.dir, name), width, height, pattern)

    def preview_size(self):
        image = self.q.find("image", root=self.q.page("Images"))
        return tuple(image.queryComponent().getSize()) if image else None

    def test_records_browses_and_copies_back_at_full_size(self):
        big = self.png("big.png", 800, 600)
        tiny = self.png("tiny.png", 3, 3)
        small = self.png("small.png", 200, 150, "gradient:green-yellow")
        q = self.q.start()

        set_clipboard_file(big, "image/png")
        q.wait_label("You currently have 1 images saved from the clipboard", page="Images")
        set_clipboard_file(tiny, "image/png")  # remembered as the last image, but too small to keep
        set_clipboard_file(small, "image/png")
        q.wait_label("You currently have 2 images saved from the clipboard", page="Images")
        self.assertEqual(q.label("Currently viewing", page="Images"), "Currently viewing #0")

        q.press("Next >>", page="Images")
        q.wait_label("Currently viewing #1", page="Images")
        # 800 x 600 scales to 340 x 255 and is cut at the 340 x 213 box.
        wait_until(lambda: self.preview_size() == (340, 213), what="the scaled preview")
        q.press("Next >>", page="Images")
        wait_until(lambda: self.preview_size() == (200, 150), what="the unscaled preview")

        q.press("<< Previous", page="Images")
        q.press("Copy to Clipboard", page="Images")
        wait_until(lambda: png_size(get_clipboard("image/png")) == (800, 600), what="the full-size copy")
        # Record 1 is not the last image, so it comes back as a new record.
        q.wait_label("You currently have 3 images saved from the clipboard", page="Images")

    def test_a_jpeg_is_kept_put_back_as_png_and_saved_as_it_came(self):
        photo = os.path.join(self.q.dir, "photo.jpg")
        make_png(photo, 1920, 1080, "plasma:fractal")
        with open(photo, "rb") as f:
            jpeg = f.read()
        q = self.q.start()
        set_clipboard(jpeg, "image/jpeg")
        q.wait_label("You currently have 1 images saved from the clipboard", page="Images")
        set_clipboard("a text in between")
        q.wait_label("You currently have 1 items of text saved from the clipboard")

        q.press("Next >>", page="Images")
        q.wait_label("Currently viewing #1", page="Images")
        q.press("Copy to Clipboard", page="Images")
        wait_until(lambda: png_size(get_clipboard("image/png")) == (1920, 1080), timeout=10,
                   what="the PNG made from the JPEG")
        # Read back as the same pixels: the last image again, not a new one.
        settle(0.5)
        self.assertEqual(q.label("You currently", page="Images"),
                         "You currently have 1 images saved from the clipboard")

        q.key("ctrl+s")
        saved = wait_until(lambda: glob.glob(os.path.join(q.dir, "manual-save", "*", "images", "1.jpg")),
                           what="the saved image")[0]
        wait_until(lambda: open(saved, "rb").read() == jpeg, what="the JPEG written as it came")

    def test_the_same_picture_again_is_one_record(self):
        first = self.png("a.png", 120, 90)
        q = self.q.start()
        set_clipboard_file(first, "image/png")
        q.wait_label("You currently have 1 images saved from the clipboard", page="Images")
        set_clipboard_file(first, "image/png")
        set_clipboard("a text in between")
        q.wait_label("You currently have 1 items of text saved from the clipboard")
        set_clipboard_file(first, "image/png")
        settle(0.5)
        self.assertEqual(q.label("You currently", page="Images"),
                         "You currently have 1 images saved from the clipboard")


if __name__ == "__main__":
    main()
