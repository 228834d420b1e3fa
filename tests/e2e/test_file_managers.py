"""Files copied and cut in Debian's file managers, PCManFM and Thunar, are
recorded whole, and what Quillory hands back pastes in either of them."""

import os

from quillory_e2e import SLOWDOWN, Client, QuilloryTest, get_clipboard, main, start_window_manager, wait_until

LONG_NAME = "\u9577" * 82 + ".txt"  # 250 bytes
NAMES = ["plain.txt", "name with spaces.txt", "gr\u00fc\u00dfe \u2013 \u20ac.txt", LONG_NAME]


class FileManagers(QuilloryTest):
    def setUp(self):
        super().setUp()
        manager = start_window_manager()
        self.addCleanup(manager.wait)
        self.addCleanup(manager.kill)
        self.source = os.path.join(self.q.dir, "source")
        os.makedirs(os.path.join(self.source, "a folder"))
        self.contents = {}
        for i, name in enumerate(NAMES):
            self.contents[name] = b"line\r\nend\n\x00\x1a" + os.urandom(1000 * i)
            with open(os.path.join(self.source, name), "wb") as f:
                f.write(self.contents[name])
        with open(os.path.join(self.source, "a folder", "inside.txt"), "w") as f:
            f.write("inside")

    def stored_copies(self):
        found = {}
        for number in os.listdir(self.q.copied_files):
            folder = os.path.join(self.q.copied_files, number)
            if os.path.isdir(folder):
                for name in os.listdir(folder):
                    with open(os.path.join(folder, name), "rb") as f:
                        found[name] = f.read()
        return found

    def record_named(self, name, count):
        """Shows the Files record with this name; returns its two location boxes."""
        q = self.q
        for number in range(1, count + 1):
            q.show_record(number, "Files")
            if any(q.text_of(n) == name for n in q.find_all("label", root=q.page("Files"))):
                return [q.text_of(box) for box in q.text_boxes(page="Files")]
        self.fail("no record of " + name)

    def paste_into(self, command, folder, expected):
        os.makedirs(folder, exist_ok=True)
        target = Client(self, [command, folder], "^%s" % os.path.basename(folder))
        target.keys("ctrl+v")
        wait_until(lambda: os.path.exists(os.path.join(folder, expected)), timeout=10,
                   what="the paste in " + command)
        return os.path.join(folder, expected)

    def test_copied_in_pcmanfm_pasted_in_thunar(self):
        q = self.q.start()
        pcmanfm = Client(self, ["pcmanfm", self.source], "^source$")
        pcmanfm.keys("ctrl+a", "ctrl+c")
        q.wait_label("You currently have 5 files saved from the clipboard", page="Files", timeout=10)
        self.assertEqual(self.stored_copies(), self.contents)  # every file, byte for byte; no folder

        # A folder has no stored copy: no location is shown, and the folder
        # itself is what goes back.
        self.assertEqual(self.record_named("a folder", 5), [os.path.join(self.source, "a folder"), ""])
        q.press("Copy to Clipboard", page="Files")
        pasted = self.paste_into("thunar", os.path.join(self.q.dir, "thunar target"), "a folder")
        wait_until(lambda: os.path.exists(os.path.join(pasted, "inside.txt")), what="the folder's content")

        name = NAMES[2]
        boxes = self.record_named(name, 6)
        self.assertTrue(boxes[1].startswith(q.copied_files), boxes)
        q.press("Copy to Clipboard", page="Files")
        pasted = self.paste_into("thunar", os.path.join(self.q.dir, "thunar target"), name)
        wait_until(lambda: open(pasted, "rb").read() == self.contents[name], what="the whole file pasted")

    def test_cut_in_pcmanfm(self):
        q = self.q.start()
        single = os.path.join(self.q.dir, "single")
        os.makedirs(single)
        os.rename(os.path.join(self.source, LONG_NAME), os.path.join(single, LONG_NAME))
        pcmanfm = Client(self, ["pcmanfm", single], "^single$")
        pcmanfm.keys("ctrl+a", "ctrl+x")
        q.wait_label("You currently have 1 files saved from the clipboard", page="Files", timeout=10)
        self.assertEqual(self.stored_copies(), {LONG_NAME: self.contents[LONG_NAME]})

        # PCManFM goes: the list is put back as it offered it, still cut,
        # so that a paste moves the file as it would have. (Its own GNOME
        # form is not read here: PCManFM takes that as the paste of its cut.)
        listed = get_clipboard("text/uri-list").rstrip(b"\0").decode().split("\r\n")[0]
        self.assertEqual(get_clipboard("application/x-kde-cutselection").rstrip(b"\0"), b"1")
        pcmanfm.close()
        wait_until(lambda: get_clipboard("x-special/gnome-copied-files", timeout=0.5 * SLOWDOWN) ==
                   ("cut\n" + listed).encode(), what="the cut list put back")
        target = os.path.join(self.q.dir, "moved here")
        self.paste_into("thunar", target, LONG_NAME)
        wait_until(lambda: not os.path.exists(os.path.join(single, LONG_NAME)), what="the file moved")

    def test_copied_in_thunar_pasted_in_pcmanfm(self):
        q = self.q.start()
        thunar = Client(self, ["thunar", self.source], "^source - Thunar$")
        thunar.keys("ctrl+a", "ctrl+c")
        q.wait_label("You currently have 5 files saved from the clipboard", page="Files", timeout=10)
        self.assertEqual(self.stored_copies(), self.contents)

        self.record_named(LONG_NAME, 5)
        q.press("Copy to Clipboard", page="Files")
        pasted = self.paste_into("pcmanfm", os.path.join(self.q.dir, "pcmanfm target"), LONG_NAME)
        wait_until(lambda: open(pasted, "rb").read() == self.contents[LONG_NAME], what="the whole file pasted")


if __name__ == "__main__":
    main()
