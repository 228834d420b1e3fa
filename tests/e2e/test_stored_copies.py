"""Stored copies never fill the disk nor hold up the capture of texts:
a file whose reads never end, a file that grows while it is copied, many
names of one large file, a nearly full disk, a text copied during a long
copy, and the end of the program after a great many files."""

import os
import shutil
import subprocess
import tempfile
import time

from quillory_e2e import (SLOWDOWN, Quillory, QuilloryTest, main, make_file_list, set_clipboard, set_clipboard_file,
                          stop_clipboard_owners, uri_list, wait_until)


def disk_used(folder):
    """Bytes the folder's files take on disk, each file once."""
    seen, used = set(), 0
    for root, _, files in os.walk(folder):
        for name in files:
            status = os.lstat(os.path.join(root, name))
            if (status.st_dev, status.st_ino) not in seen:
                seen.add((status.st_dev, status.st_ino))
                used += status.st_blocks * 512
    return used


def stored(q, number):
    folder = os.path.join(q.copied_files, str(number))
    names = os.listdir(folder) if os.path.isdir(folder) else []
    return os.path.join(folder, names[0]) if names else None


class StoredCopies(QuilloryTest):
    def test_a_file_whose_reads_never_end_gets_no_copy_and_holds_nothing_up(self):
        q = self.q.start()
        # The program's own page map: gigabytes of reads for a file of size 0.
        set_clipboard(uri_list(["/proc/self/pagemap"]), "text/uri-list")
        q.wait_label("You currently have 1 files saved from the clipboard", page="Files", timeout=5)
        self.assertIsNone(stored(q, 1))
        self.assertLess(disk_used(q.copied_files), 2 << 20)
        start = time.monotonic()
        set_clipboard("a text after it")
        q.wait_label("You currently have 1 items of text saved from the clipboard", timeout=2)
        print("text after %.2f s" % (time.monotonic() - start), end=" ... ", flush=True)

    def test_a_growing_file_is_stored_as_it_was_when_recorded(self):
        growing = os.path.join(self.q.dir, "growing.log")
        with open(growing, "wb") as f:
            f.write(os.urandom(8 << 20))
        # Appends 1 MB every 10 ms for at most 20 s (200 MB at most).
        writer = subprocess.Popen(["python3", "-c", """
import os, sys, time
end = time.monotonic() + 20
with open(sys.argv[1], "ab", buffering=0) as f:
    while time.monotonic() < end:
        f.write(os.urandom(1 << 20))
        time.sleep(0.01)
""", growing])
        self.addCleanup(writer.wait)
        self.addCleanup(writer.kill)
        q = self.q.start()
        offered = os.path.getsize(growing)
        set_clipboard(uri_list([growing]), "text/uri-list")
        q.wait_label("You currently have 1 files saved from the clipboard", page="Files", timeout=10)
        now = os.path.getsize(growing)
        copy = stored(q, 1)
        self.assertIsNotNone(copy)
        size = os.path.getsize(copy)
        print("offered %d MB, copied %d MB, file now %d MB" % (offered >> 20, size >> 20, now >> 20), end=" ... ")
        self.assertGreaterEqual(size, offered)
        self.assertLessEqual(size, now)
        self.assertLess(size, now + (1 << 20), "the copy followed the writer")
        with open(growing, "rb") as a, open(copy, "rb") as b:
            self.assertEqual(a.read(size), b.read())
        writer.kill()

    def test_many_names_of_one_large_file_cost_one_copy(self):
        large = os.path.join(self.q.dir, "large.bin")
        with open(large, "wb") as f:
            for _ in range(64):
                f.write(os.urandom(1 << 20))
        count = 2000
        listing = os.path.join(self.q.dir, "same.uri-list")
        with open(listing, "w") as f:
            f.write(uri_list([large] * count))
        q = self.q.start()
        set_clipboard_file(listing, "text/uri-list")
        q.wait_label("You currently have %d files saved from the clipboard" % count, page="Files", timeout=60)
        used = disk_used(q.copied_files)
        print("%d records, %d MB on disk" % (count, used >> 20), end=" ... ")
        self.assertLess(used, 66 << 20)
        with open(large, "rb") as a, open(stored(q, count), "rb") as b:
            self.assertEqual(a.read(), b.read())

    def test_a_text_copied_during_a_long_copy_is_recorded_at_once(self):
        listing = make_file_list(os.path.join(self.q.dir, "many"), 20000)
        q = self.q.start()
        set_clipboard_file(listing, "text/uri-list")
        wait_until(lambda: (q.count("Files") or 0) > 0, timeout=10, interval=0.05, what="the first files")
        start = time.monotonic()
        set_clipboard("copied while the files are stored")
        q.wait_label("You currently have 1 items of text saved from the clipboard", timeout=1)
        took = time.monotonic() - start
        print("text after %.2f s, %s files by then" % (took, q.count("Files")), end=" ... ", flush=True)
        self.assertLess(q.count("Files"), 20000, "the files were done before the text: nothing was tested")

    def test_exit_after_a_great_many_files_within_a_second(self):
        count = int(100000 / SLOWDOWN)
        listing = make_file_list(os.path.join(self.q.dir, "many"), count)
        q = self.q.start()
        set_clipboard_file(listing, "text/uri-list")
        q.wait_label("You currently have %d files saved from the clipboard" % count, page="Files",
                     timeout=240 / SLOWDOWN)
        window = q.x_window()
        start = time.monotonic()
        q.key("alt+F4", window)
        self.assertEqual(q.wait_exit(timeout=5), 0)
        took = time.monotonic() - start
        print("%d files, ended in %.2f s" % (count, took), end=" ... ", flush=True)
        self.assertLess(took, 1.0 * SLOWDOWN)
        self.assertFalse(os.path.lexists(q.copied_files))
        # What was left to remove after the end is gone soon after.
        wait_until(lambda: not [n for n in os.listdir(q.dir) if n.startswith(".quillory")], timeout=120,
                   interval=0.2, what="the stored copies' removal")


class NearlyFullDisk(QuilloryTest):
    """On a file system of the test's own, too small for the reserve."""

    def setUp(self):
        stop_clipboard_owners()
        self.mount = tempfile.mkdtemp(prefix="quillory-small-disk-")
        mounted = subprocess.run(["mount", "-t", "tmpfs", "-o", "size=300m", "tmpfs", self.mount],
                                 capture_output=True, text=True)
        if mounted.returncode != 0:
            os.rmdir(self.mount)
            self.skipTest("no small file system can be mounted here: " + mounted.stderr.strip())
        self.addCleanup(os.rmdir, self.mount)
        self.addCleanup(subprocess.run, ["umount", "-l", self.mount])
        tempfile.tempdir, kept = self.mount, tempfile.tempdir
        try:
            self.q = Quillory()
        finally:
            tempfile.tempdir = kept
        self.addCleanup(self.q.close)
        self.addCleanup(stop_clipboard_owners)

    def test_copies_stop_at_the_reserve_and_the_user_is_told_once(self):
        files = []
        for i in range(3):
            files.append(os.path.join(self.q.dir, "file %d.bin" % i))
            with open(files[-1], "wb") as f:
                f.write(os.urandom(20 << 20))
        q = self.q.start()
        before = shutil.disk_usage(self.mount).used
        set_clipboard(uri_list(files), "text/uri-list")
        q.wait_label("You currently have 3 files saved from the clipboard", page="Files", timeout=10)
        set_clipboard(uri_list(files[:1]), "text/uri-list")
        q.wait_label("You currently have 4 files saved from the clipboard", page="Files", timeout=10)
        self.assertLess(shutil.disk_usage(self.mount).used - before, 1 << 20)
        self.assertIsNone(stored(q, 1))
        wait_until(lambda: q.window_titles().count("Copied Files Folder") == 1, timeout=5,
                   what="the message about the full disk")
        time.sleep(0.5)
        self.assertEqual(q.window_titles().count("Copied Files Folder"), 1)


if __name__ == "__main__":
    main()
