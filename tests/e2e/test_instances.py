import os
import subprocess

import pyatspi

from quillory_e2e import QuilloryTest, main, set_clipboard, uri_list, wait_until


class Instances(QuilloryTest):
    def test_a_second_start_in_the_same_folder_leaves_it_alone(self):
        q = self.q
        original = os.path.join(q.dir, "kept.txt")
        with open(original, "w") as f:
            f.write("the first one's stored copy")
        q.start()
        set_clipboard(uri_list([original]), "text/uri-list")
        q.wait_label("You currently have 1 files saved from the clipboard", page="Files")
        stored = os.path.join(q.copied_files, "1", "kept.txt")

        second = subprocess.Popen([q.executable], cwd=q.dir, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.addCleanup(second.kill)

        def message_box():
            desktop = pyatspi.Registry.getDesktop(0)
            for i in range(desktop.childCount):
                app = desktop.getChildAtIndex(i)
                if app is not None and app.get_process_id() == second.pid:
                    return q.find("label", "Quillory is already running from this folder.", root=app) and app
            return None

        app = wait_until(message_box, timeout=20, what="the second start's message")
        q.find("push button", "OK", root=app).queryAction().doAction(0)
        self.assertNotEqual(second.wait(timeout=5), 0)

        self.assertIsNone(q.process.poll())
        with open(stored) as f:
            self.assertEqual(f.read(), "the first one's stored copy")
        q.menu_item("Exit")
        self.assertEqual(q.wait_exit(), 0)
        self.assertFalse(os.path.exists(q.copied_files))


if __name__ == "__main__":
    main()
