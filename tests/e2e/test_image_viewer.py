"""An image copied in an image viewer, Ristretto, is recorded, and goes
back at full size with every pixel."""

import os
import subprocess

from quillory_e2e import Client, QuilloryTest, get_clipboard, main, png_size, start_window_manager, wait_until


def pixels(png):
    return subprocess.run(["convert", "png:-", "-alpha", "off", "-depth", "8", "rgb:-"], input=png, capture_output=True,
                          check=True, timeout=30).stdout


class ImageViewer(QuilloryTest):
    def test_ristretto_copy(self):
        manager = start_window_manager()
        self.addCleanup(manager.wait)
        self.addCleanup(manager.kill)
        q = self.q.start()
        path = os.path.join(q.dir, "photo.png")
        subprocess.run(["convert", "-size", "640x400", "plasma:fractal", "-depth", "8", path], check=True, timeout=30)
        viewer = Client(self, ["ristretto", path], "^photo.png - ")
        # The viewer takes the key only once its picture is in; on a loaded
        # machine that may be after the first press.
        for attempt in range(3):
            viewer.keys("ctrl+c")
            try:
                wait_until(lambda: q.count("Images") == 1, timeout=5, what="the image record")
                break
            except AssertionError:
                if attempt == 2:
                    raise
        q.show_record(1, "Images")
        q.press("Copy to Clipboard", page="Images")
        # Ours offers the one PNG; the viewer offered many formats.
        wait_until(lambda: b"image/bmp" not in get_clipboard("TARGETS").split(), what="the record on the clipboard")
        back = get_clipboard("image/png")
        self.assertEqual(png_size(back), (640, 400))
        with open(path, "rb") as f:
            self.assertEqual(pixels(back), pixels(f.read()))


if __name__ == "__main__":
    main()
