"""What a blind user hears: Debian's Orca reads the program, its speech
written to a log instead of spoken (orca_speech_log.py), while the keyboard
alone walks every page, the results window and each dialog."""

import json
import os
import shutil
import subprocess
import sys
import tempfile
import time

from quillory_e2e import (HERE, SLOWDOWN, QuilloryTest, main, make_png, set_clipboard, set_clipboard_file,
                          start_window_manager, uri_list, wait_until)


def orca_settings(folder):
    """Orca's settings, in a folder of the test's own: speech through the log."""
    speech = {"speechServerFactory": "orca_speech_log", "speechServerInfo": ["Log", "log"], "enableSpeech": True}
    general = dict(speech, startingProfile=["Default", "default"], activeProfile=["Default", "default"])
    profile = dict(speech, profile=["Default", "default"])
    with open(os.path.join(folder, "user-settings.conf"), "w") as f:
        json.dump({"general": general, "profiles": {"default": profile}, "pronunciations": {}, "keybindings": {}}, f)


class ScreenReader:
    def __init__(self, test):
        self.dir = tempfile.mkdtemp(prefix="quillory-orca-")
        test.addCleanup(shutil.rmtree, self.dir, ignore_errors=True)
        orca_settings(self.dir)
        self.log = os.path.join(self.dir, "speech.log")
        open(self.log, "w").close()
        env = dict(os.environ, PYTHONPATH=HERE, QUILLORY_SPEECH_LOG=self.log)
        self.process = subprocess.Popen(["orca", "--replace", "-u", self.dir], env=env,
                                        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        test.addCleanup(self.stop)
        self.heard = 0  # lines of the log already taken
        self.walk = []  # (keys, what was said) for the record
        wait_until(lambda: "Screen reader on." in self.lines(), timeout=30, what="Orca to start")

    def tab_to(self, phrase, most=8):
        """Tabs until Orca names `phrase`: where the focus lands on a page
        reached with Ctrl+PageDown is the toolkit's choice."""
        for _ in range(most):
            said = self.hear("Tab", "")
            if phrase in said:
                return said
        raise AssertionError("Tab never reached %r" % phrase)

    def stop(self):
        if self.process.poll() is None:
            self.process.terminate()
            try:
                self.process.wait(5)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait()

    def lines(self):
        with open(self.log, encoding="utf-8") as f:
            return f.read().splitlines()

    def said_since(self, start):
        return " | ".join(self.lines()[start:])

    def hear(self, keys, *phrases, quiet=0.4):
        """Presses `keys` (None: none) and returns what Orca has said since
        the last step, once it has said every phrase and gone quiet; fails
        if it does not."""
        start = self.heard
        if keys:
            subprocess.run(["xdotool", "key", "--clearmodifiers"] + keys.split(), check=True, timeout=10)
        try:
            wait_until(lambda: all(p in self.said_since(start) for p in phrases), timeout=10,
                       what="Orca to say %r after %s" % (phrases, keys))
        except AssertionError:
            raise AssertionError("after %s Orca said: %r; expected %r" % (keys, self.said_since(start), phrases))
        # Until a pause: what follows the phrases belongs to this step too.
        count = len(self.lines())
        while True:
            time.sleep(quiet * SLOWDOWN)
            if len(self.lines()) == count:
                break
            count = len(self.lines())
        said = self.said_since(start)
        self.heard = count
        self.walk.append((keys or "(nothing)", said))
        return said


class ScreenReaderWalk(QuilloryTest):
    def test_every_window_read_and_driven_with_the_keyboard(self):
        manager = start_window_manager()
        self.addCleanup(manager.wait)
        self.addCleanup(manager.kill)
        self.q = self.q.__class__(with_license=True)  # the License dialog reads ./info/license.txt
        self.addCleanup(self.q.close)
        q = self.q.start()
        work = tempfile.mkdtemp(prefix="quillory-orca-files-")
        self.addCleanup(shutil.rmtree, work, ignore_errors=True)
        reader = ScreenReader(self)
        wait_until(lambda: q.x_window(), what="the window")
        subprocess.run(["xdotool", "windowactivate", "--sync", str(q.x_window())], check=True, timeout=10)
        first = reader.hear(None, "Quillory frame")
        # The focus starts in the preview, which its caption names.
        self.assertIn("Preview:", first)

        try:
            self.walk_pages(q, reader, work)
            self.walk_windows(q, reader)
        finally:
            sys.stderr.write("\nWhat Orca said, step by step:\n")
            for keys, said in reader.walk:
                sys.stderr.write("  %-22s %s\n" % (keys, said))

    def walk_pages(self, q, reader, work):
        # Records arriving are said without moving the focus, a burst as a
        # few counts, not one per record.
        set_clipboard("The first text, about apples")
        said = reader.hear(None, "1 items of text")
        # Each recorded before the next: a copy replaced at once may never be read.
        for count, text in ((2, "The second text, about pears"), (3, "The third text\nover two lines")):
            set_clipboard(text)
            q.wait_label("You currently have %d items of text saved from the clipboard" % count)
        reader.hear(None, "3 items of text")
        for i in range(20):
            set_clipboard("burst %d" % i)
        # Copies this quick replace each other: some are never read.
        counts = []
        wait_until(lambda: counts.append(q.count("Text")) or counts[-5:] == [counts[-1]] * 5 and len(counts) > 5,
                   interval=0.2, what="the count to settle")
        self.texts = counts[-1]
        said = reader.hear(None, "%d items of text" % self.texts, quiet=1.5)
        self.assertLessEqual(said.count("items of text"), 4, said)

        make_png(os.path.join(work, "picture.png"), 64, 48)
        set_clipboard_file(os.path.join(work, "picture.png"), "image/png")
        q.wait_label("You currently have 1 images saved from the clipboard", page="Images")
        report = os.path.join(work, "report.txt")
        with open(report, "w") as f:
            f.write("twelve bytes")
        set_clipboard(uri_list([report]), "text/uri-list")
        q.wait_label("You currently have 1 files saved from the clipboard", page="Files")
        set_clipboard("pears again, for the search")
        self.texts += 1
        q.wait_label("You currently have %d items of text saved from the clipboard" % self.texts)

        # The Text page, keyboard only: the count and position labels name
        # no button, and each step says the position and the record.
        said = reader.hear("Tab", "<< Previous push button")
        self.assertNotIn("You currently", said)
        reader.hear("Tab", "Next >> push button")
        reader.hear("space", "Currently viewing #1. The first text, about apples")
        reader.hear("space", "Currently viewing #2. The second text, about pears")
        reader.hear("space", "Currently viewing #3. The third text over two lines")
        reader.hear("shift+Tab", "<< Previous push button")
        reader.hear("space", "Currently viewing #2. The second")
        said = reader.hear("Tab Tab", "Search log:")
        self.assertNotIn("Currently viewing", said)  # what was said is not said again
        reader.hear("Tab", "Search push button")
        # The preview comes first in the keyboard's order, as it was made first.
        said = reader.hear("Tab", "Copy to Clipboard push button")
        self.assertNotIn("Preview", said)
        reader.hear("space", "Copied")

        # The Images page: the picture is said, and Tab does not stop at it.
        reader.hear("ctrl+Next", "Images")
        reader.tab_to("Next >> push button")
        reader.hear("space", "Currently viewing #1. Image, 64 by 48")
        said = reader.hear("Tab", "Copy to Clipboard push button")
        self.assertNotIn("panel", said)
        reader.hear("space", "Copied")

        # The Files page: the file's name on each step, every detail in its
        # turn, and the two location buttons told apart.
        reader.hear("ctrl+Next", "Files")
        reader.tab_to("Next >> push button")
        reader.hear("space", "Currently viewing #1. report.txt")
        reader.hear("Tab", "Copy to Clipboard push button")
        for detail in ("Name: report.txt", "Size: ", "File Type: txt", "Created: ", "Modified: ", "Accessed: "):
            reader.hear("Tab", detail)
        reader.hear("Tab", "Original Location:", report)
        reader.hear("Tab", "Quillory Location:")
        reader.hear("Tab", "Copy original location push button")
        reader.hear("Tab", "Copy stored location push button")
        reader.hear("space", "Copied")

    def walk_windows(self, q, reader):
        # A search: the results window says what it found, Escape closes it.
        reader.hear("ctrl+Prior ctrl+Prior", "Text")
        reader.tab_to("Search log:")
        subprocess.run(["xdotool", "type", "pears"], check=True, timeout=10)
        reader.hear("Tab", "Search push button")
        # (The text copied back from the page above was recorded again: a third match.)
        said = reader.hear("space", "Search Results", "Currently viewing #1 of 3 results. The second text, about pears")
        self.assertEqual(said.count("Currently viewing"), 1, said)
        reader.hear("Tab space", "Currently viewing #2 of 3 results. pears again")
        reader.hear("Escape", "Quillory frame", "Search push button")
        wait_until(lambda: "Search Results" not in q.window_titles(), what="the results window to close")

        # No match: the message box is read with its caption.
        reader.hear("shift+Tab", "Search log:")
        subprocess.run(["xdotool", "type", "plums"], check=True, timeout=10)
        reader.hear("Tab", "Search push button")
        reader.hear("space", "No Matches Found~", "No matches could be found")
        reader.hear("Return", "Search push button")

        # The dialogs: announced as dialogs, their text read, closed by Escape.
        said = reader.hear("alt+a Return", "Quillory :: About dialog", "This application is designed to record")
        reader.hear("Escape", "Quillory frame")
        reader.hear("alt+a Down Return", "Quillory :: About dialog", "About Me!")
        reader.hear("Escape", "Quillory frame")
        reader.hear("alt+a Down Down Return", "Quillory :: License dialog", "Quillory, a desktop clipboard recorder")
        reader.hear("Escape", "Quillory frame")

        # A save is confirmed, and nothing new shows.
        titles = q.window_titles()
        records = q.count("Text") + q.count("Images") + q.count("Files")
        reader.hear("ctrl+s", "Saved %d records to" % records)
        self.assertEqual(q.window_titles(), titles)


if __name__ == "__main__":
    main()
