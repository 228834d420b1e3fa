import os

from quillory_e2e import QuilloryTest, main, set_clipboard, start_window_manager


class Exit(QuilloryTest):
    """Every way out ends the same: capture stopped, copied files removed."""

    def start_with_copied_files(self):
        folder = self.q.copied_files
        os.makedirs(os.path.join(folder, "old.data"))
        for name in ("README", "a.txt", os.path.join("old.data", "inner")):
            with open(os.path.join(folder, name), "w") as f:
                f.write("stored copy")
        q = self.q.start()
        set_clipboard("something")
        q.wait_label("You currently have 1 items of text saved from the clipboard")
        return q

    def assert_ended_clean(self):
        self.assertEqual(self.q.wait_exit(timeout=5), 0)
        self.assertFalse(os.path.exists(self.q.copied_files))
        self.assertTrue(os.path.exists(self.q.executable))

    def test_exit_menu(self):
        q = self.start_with_copied_files()
        q.menu_item("Exit")
        self.assert_ended_clean()

    def test_alt_f4(self):
        q = self.start_with_copied_files()
        q.key("alt+F4")
        self.assert_ended_clean()

    def test_close_box(self):
        manager = start_window_manager()
        self.addCleanup(manager.wait)
        self.addCleanup(manager.kill)
        q = self.start_with_copied_files()
        q.click_close_box()
        self.assert_ended_clean()


if __name__ == "__main__":
    main()
