"""The about dialogs' links are links to assistive technology and can be
reached with the keyboard."""

import subprocess

import pyatspi

from quillory_e2e import QuilloryTest, main, start_window_manager, wait_until


class About(QuilloryTest):
    def test_each_link_is_a_link_reached_with_tab(self):
        manager = start_window_manager()
        self.addCleanup(manager.wait)
        self.addCleanup(manager.kill)
        q = self.q.start()
        for item, label in (("About the Software", "Quillory README"), ("About the Author", "projects")):
            with self.subTest(item=item):
                q.choose_with_mouse("About", item)
                dialog = q.dialog("Quillory :: About")
                link = wait_until(lambda: q.find("link", label, root=dialog), what="the link")
                self.assertTrue(link.getState().contains(pyatspi.STATE_FOCUSABLE))
                focused = lambda: link.getState().contains(pyatspi.STATE_FOCUSED)
                for _ in range(4):
                    if focused():
                        break
                    subprocess.run(["xdotool", "key", "Tab"], check=True, timeout=10)
                wait_until(focused, what="the link to have the focus")
                subprocess.run(["wmctrl", "-c", "Quillory :: About"], check=True, timeout=10)
                wait_until(lambda: q._showing(q.find("dialog", "Quillory :: About", root=q.app)) is None,
                           what="the dialog to go")


if __name__ == "__main__":
    main()
