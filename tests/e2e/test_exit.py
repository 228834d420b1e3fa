"""Every way the program ends, with work in flight: it ends within a second,
and no stored copy of the user's files outlives it."""

import ctypes
import os
import signal
import subprocess
import time

from quillory_e2e import (SLOWDOWN, Quillory, QuilloryTest, main, make_large_png, set_clipboard, set_clipboard_file,
                          start_owner,
                          start_window_manager, stop_clipboard_owners, uri_list, wait_until, settle)

BUDGET = 1.0  # seconds from the request to the end of the process

PTRACE_SEIZE, PTRACE_INTERRUPT, PTRACE_LISTEN = 0x4206, 0x4207, 0x4208
WALL = 0x40000000


def write_large_file(path, size):
    block = bytes(range(256)) * 4096  # 1 MiB of data, no holes
    with open(path, "wb") as f:
        for _ in range(size // len(block)):
            f.write(block)


class Exit(QuilloryTest):
    def start_with_a_stored_copy(self):
        original = os.path.join(self.q.dir, "kept.txt")
        with open(original, "w") as f:
            f.write("a private file")
        q = self.q.start()
        set_clipboard(uri_list([original]), "text/uri-list")
        q.wait_label("You currently have 1 files saved from the clipboard", page="Files")
        self.assertTrue(os.path.exists(os.path.join(q.copied_files, "1", "kept.txt")))
        return q

    def assert_ends_in_time(self, since, code=0):
        self.assertEqual(self.q.wait_exit(timeout=5), code)
        took = time.monotonic() - since
        print("ended in %.3f s" % took, end=" ... ", flush=True)
        self.assertLess(took, BUDGET * SLOWDOWN, "took %.2f s to end" % took)
        self.assertFalse(os.path.lexists(self.q.copied_files), "stored copies left behind")
        self.assertTrue(os.path.exists(self.q.executable))
        return took

    def test_exit_menu(self):
        q = self.start_with_a_stored_copy()
        start = time.monotonic()
        q.menu_item("Exit")
        self.assert_ends_in_time(start)

    def test_alt_f4(self):
        q = self.start_with_a_stored_copy()
        window = q.x_window()
        start = time.monotonic()
        q.key("alt+F4", window)
        self.assert_ends_in_time(start)

    def test_close_box(self):
        manager = start_window_manager()
        self.addCleanup(manager.wait)
        self.addCleanup(manager.kill)
        q = self.start_with_a_stored_copy()
        start = time.monotonic()
        q.click_close_box()
        self.assert_ends_in_time(start)
        # Fitted under a window manager, the window is never smaller than its
        # content: the toolkit would say so on every layout.
        said = q.process.stderr.read().decode(errors="replace")
        self.assertNotIn("distribute", said)
        self.assertNotIn("Negative content", said)

    def test_quit_signals_end_it_the_same_way(self):
        for number in (signal.SIGTERM, signal.SIGHUP, signal.SIGINT):
            with self.subTest(signal=number.name):
                q = self.start_with_a_stored_copy()
                start = time.monotonic()
                q.process.send_signal(number)
                self.assert_ends_in_time(start)
                q.close()
                stop_clipboard_owners()
                self.q = Quillory()

    def test_a_quit_signal_while_a_dialog_is_open(self):
        manager = start_window_manager()
        self.addCleanup(manager.wait)
        self.addCleanup(manager.kill)
        q = self.start_with_a_stored_copy()
        q.choose_with_mouse("About", "About the Software")
        q.dialog("Quillory :: About")
        start = time.monotonic()
        q.process.send_signal(signal.SIGTERM)
        self.assert_ends_in_time(start)

    def test_a_quit_signal_while_a_message_box_is_open(self):
        q = self.start_with_a_stored_copy()
        q.click_button("Search")  # nothing to search for: a message box of the system's own
        wait_until(lambda: q.find("label", prefix="No matches could be found", root=q.app), what="the message")
        start = time.monotonic()
        q.process.send_signal(signal.SIGTERM)
        self.assert_ends_in_time(start)

    def test_a_quit_signal_ends_it_while_the_window_thread_is_held(self):
        q = self.start_with_a_stored_copy()
        # The window's thread (the process's first) stopped as if stuck
        # inside a call that never returns; every other thread runs on.
        libc = ctypes.CDLL(None, use_errno=True)
        libc.ptrace.argtypes = [ctypes.c_long, ctypes.c_long, ctypes.c_void_p, ctypes.c_void_p]
        pid = q.process.pid
        self.assertEqual(libc.ptrace(PTRACE_SEIZE, pid, None, None), 0, os.strerror(ctypes.get_errno()))
        self.assertEqual(libc.ptrace(PTRACE_INTERRUPT, pid, None, None), 0, os.strerror(ctypes.get_errno()))
        _, status = os.waitpid(pid, WALL)
        self.assertTrue(os.WIFSTOPPED(status))
        start = time.monotonic()
        q.process.send_signal(signal.SIGTERM)
        while True:
            _, status = os.waitpid(pid, WALL)
            if os.WIFEXITED(status) or os.WIFSIGNALED(status):
                break
            libc.ptrace(PTRACE_LISTEN, pid, None, None)  # stays held
        took = time.monotonic() - start
        q.process.returncode = os.waitstatus_to_exitcode(status)
        print("ended in %.3f s" % took, end=" ... ", flush=True)
        self.assertEqual(q.process.returncode, 0)
        self.assertLess(took, BUDGET * SLOWDOWN, "took %.2f s to end" % took)
        self.assertFalse(os.path.lexists(q.copied_files), "stored copies left behind")

    def test_a_screen_reader_opens_the_search_message_and_the_window_still_answers(self):
        q = self.start_with_a_stored_copy()
        q.press("Search")  # the accessibility action, as a screen reader presses it
        wait_until(lambda: q.find("label", prefix="No matches could be found", root=q.app), what="the message")
        self.assertTrue(q.responds_within(1.0), "the window's thread no longer answers")
        start = time.monotonic()
        q.process.send_signal(signal.SIGTERM)
        self.assert_ends_in_time(start)

    def test_exit_while_a_large_file_is_copied(self):
        large = os.path.join(self.q.dir, "large.bin")
        write_large_file(large, 1 << 30)
        q = self.q.start()
        set_clipboard(uri_list([large]), "text/uri-list")
        wait_until(lambda: os.path.exists(os.path.join(q.copied_files, "1")), what="the copy to start")
        start = time.monotonic()
        q.key("alt+F4")
        self.assert_ends_in_time(start)
        self.assertEqual(os.path.getsize(large), 1 << 30)

    def test_exit_while_a_large_image_is_decoded(self):
        # 192 MB of PNG that takes about a second to decode.
        huge = make_large_png(os.path.join(self.q.dir, "huge.png"), 8000, 8000)
        q = self.q.start()
        window = q.x_window()
        set_clipboard_file(huge, "image/png")
        # The bytes arrive and the decode begins: not stretched in the
        # sanitizer builds, whose decode is hardly slower (the codec is the
        # system's) and would be over.
        time.sleep(0.8)
        self.assertEqual(q.count("Images"), 0)
        start = time.monotonic()
        q.key("alt+F4", window)
        self.assert_ends_in_time(start)

    def test_exit_while_a_large_jpeg_is_made_ready_for_the_clipboard(self):
        # 36 Mpx of noise: seconds to make into the PNG that copying puts back.
        photo = os.path.join(self.q.dir, "noise.jpg")
        subprocess.run(["convert", "-size", "6000x6000", "xc:gray", "+noise", "Random", "-quality", "90", photo],
                       check=True, timeout=60)
        q = self.q.start()
        window = q.x_window()
        set_clipboard_file(photo, "image/jpeg")
        q.wait_label("You currently have 1 images saved from the clipboard", page="Images", timeout=30)
        q.press("Next >>", page="Images")
        q.wait_label("Currently viewing #1", page="Images")
        q.press("Copy to Clipboard", page="Images")
        settle(0.3)
        start = time.monotonic()
        q.key("alt+F4", window)
        self.assert_ends_in_time(start)

    def test_exit_during_a_burst_of_texts(self):
        for attempt in range(3):
            with self.subTest(attempt=attempt):
                q = self.start_with_a_stored_copy()
                window = q.x_window()
                owner = start_owner("UTF8_STRING=text:burst ", sequence=2000, rate=200)
                settle(0.5 + attempt * 0.3)
                start = time.monotonic()
                q.key("alt+F4", window)
                self.assert_ends_in_time(start)
                owner.kill()
                owner.wait()
                q.close()
                stop_clipboard_owners()
                self.q = Quillory()

    def test_exit_while_a_save_is_written(self):
        large = os.path.join(self.q.dir, "large.bin")
        write_large_file(large, 1 << 30)
        q = self.q.start()
        window = q.x_window()
        set_clipboard(uri_list([large]), "text/uri-list")
        q.wait_label("You currently have 1 files saved from the clipboard", page="Files", timeout=60)
        q.key("ctrl+s", window)
        wait_until(lambda: os.path.isdir(os.path.join(q.dir, "manual-save")), what="the save to start")
        start = time.monotonic()
        q.key("alt+F4", window)
        self.assert_ends_in_time(start)
        # A save cut short leaves no partial file behind.
        for root, _, names in os.walk(os.path.join(q.dir, "manual-save")):
            for name in names:
                self.assertFalse(name.startswith(".partial-"), name)
                self.assertEqual(os.path.getsize(os.path.join(root, name)), 1 << 30)

    def test_a_killed_run_is_cleaned_up_by_the_next_start(self):
        q = self.start_with_a_stored_copy()
        q.process.send_signal(signal.SIGKILL)
        q.process.wait()
        self.assertTrue(os.path.exists(os.path.join(q.copied_files, "1", "kept.txt")))
        set_clipboard("no longer the file")  # or the new start records it again
        q.start()
        wait_until(lambda: not os.path.exists(os.path.join(q.copied_files, "1", "kept.txt")),
                   what="the killed run's copies to go")
        q.menu_item("Exit")
        self.assert_ends_in_time(time.monotonic())

    def test_the_display_going_away(self):
        # A display of its own, so that the others' stays.
        number = 90 + os.getpid() % 100
        server = subprocess.Popen(["Xvfb", ":%d" % number, "-screen", "0", "800x600x24", "-nolisten", "tcp"],
                                  stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.addCleanup(server.wait)
        self.addCleanup(server.kill)
        # Kept off the accessibility bus: a program that vanishes from it
        # without a word stalls every later look-up there.
        env = dict(os.environ, DISPLAY=":%d" % number, NO_AT_BRIDGE="1")
        wait_until(lambda: subprocess.run(["xdpyinfo"], env=env, capture_output=True).returncode == 0,
                   what="the second display")
        original = os.path.join(self.q.dir, "kept.txt")
        with open(original, "w") as f:
            f.write("a private file")
        subprocess.run(["xclip", "-selection", "clipboard", "-t", "text/uri-list"], env=env,
                       input=uri_list([original]).encode(), check=True, timeout=10)
        process = subprocess.Popen([self.q.executable], cwd=self.q.dir, env=env,
                                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.addCleanup(process.kill)
        wait_until(lambda: os.path.exists(os.path.join(self.q.copied_files, "1", "kept.txt")), timeout=20,
                   what="the stored copy")
        start = time.monotonic()
        server.kill()
        process.wait(timeout=5 * SLOWDOWN)
        self.assertLess(time.monotonic() - start, BUDGET * SLOWDOWN)
        self.assertFalse(os.path.lexists(self.q.copied_files))


class PlantedFolders(QuilloryTest):
    """copied-files is used only when it is the program's own folder."""

    def dismiss_warning(self, q):
        """The start says that the name is taken, once."""
        wait_until(lambda: q.find("label", prefix="Quillory keeps a copy of every file", root=q.app),
                   what="the warning about the copied-files folder")
        label = q.find("label", prefix="Quillory keeps a copy of every file", root=q.app)
        self.assertIn("not a folder of its own", label.name)
        buttons = [b for b in q.find_all("push button", "OK", root=q.app)]
        buttons[-1].queryAction().doAction(0)
        wait_until(lambda: not q.find("label", prefix="Quillory keeps a copy of every file", root=q.app),
                   what="the warning to close")

    def record_a_private_file(self):
        """Starts with something planted in copied-files' place; records a file."""
        private = os.path.join(self.q.dir, "private.txt")
        with open(private, "w") as f:
            f.write("private")
        q = self.q.start()
        self.dismiss_warning(q)
        set_clipboard(uri_list([private]), "text/uri-list")
        q.wait_label("You currently have 1 files saved from the clipboard", page="Files")
        return q, private

    def test_a_link_in_its_place_is_left_alone_and_never_written_through(self):
        elsewhere = os.path.join(self.q.dir, "elsewhere")
        os.makedirs(elsewhere)
        os.symlink(elsewhere, self.q.copied_files)
        q, private = self.record_a_private_file()
        q.find("page tab list").querySelection().selectChild(2)
        q.press("Next >>", page="Files")
        boxes = [q.text_of(b) for b in q.text_boxes(page="Files")]
        self.assertEqual(boxes, [private, ""])  # no location that does not exist
        q.menu_item("Exit")
        self.assertEqual(q.wait_exit(), 0)
        self.assertEqual(os.listdir(elsewhere), [])
        self.assertTrue(os.path.islink(q.copied_files))

    def test_a_folder_of_someone_elses_with_a_link_inside(self):
        elsewhere = os.path.join(self.q.dir, "elsewhere")
        os.makedirs(elsewhere)
        os.makedirs(self.q.copied_files)
        os.chmod(self.q.copied_files, 0o777)
        os.symlink(elsewhere, os.path.join(self.q.copied_files, "1"))
        q, _ = self.record_a_private_file()
        q.menu_item("Exit")
        self.assertEqual(q.wait_exit(), 0)
        self.assertEqual(os.listdir(elsewhere), [])
        self.assertTrue(os.path.islink(os.path.join(q.copied_files, "1")))


if __name__ == "__main__":
    main()
