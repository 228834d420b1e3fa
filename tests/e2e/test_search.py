import os
import subprocess

from quillory_e2e import QuilloryTest, main, set_clipboard, uri_list, wait_until, settle


class Search(QuilloryTest):
    def search(self, pattern):
        field = self.q.text_boxes()[1]
        field.queryEditableText().setTextContents(pattern)
        self.q.click_button("Search")

    def results_windows(self):
        return self.q.find_all("frame", "Search Results", root=self.q.app)

    def test_results_window_and_message_boxes(self):
        q = self.q.start()
        self.search("")
        box = wait_until(lambda: q.find("alert", root=q.app) or q.find("dialog", root=q.app),
                         what="the message box")
        self.assertTrue(q.find("label", "No matches could be found. Remember, it's case sensitive!", root=box))
        self.assertEqual(q.window_titles(), ["No Matches Found~", "Quillory"])
        q.find("push button", "OK", root=box).queryAction().doAction(0)

        for i, text in enumerate(["xabcx", "ABC", "abc"], start=1):
            set_clipboard(text)
            q.wait_label("You currently have %d items of text saved from the clipboard" % i)
        self.search("abc")
        window = wait_until(lambda: self.results_windows(), what="the results window")[0]
        label = wait_until(lambda: q.find("label", prefix="Currently viewing", root=window), what="its label")
        self.assertEqual(label.name, "Currently viewing #1 of 2 results")
        wait_until(lambda: q.text_of(q.find("text", root=window)) == "xabcx", what="the first match")
        self.assertEqual(q.text_of(q.text_boxes()[1]), "")  # the search field is emptied

        # Closing the main window closes the results window too, and the
        # program ends as it should.
        q.menu_item("Exit")
        self.assertEqual(q.wait_exit(timeout=5), 0)

    def test_windows_destroyed_by_another_program(self):
        q = self.q.start()
        original = os.path.join(q.dir, "kept.txt")
        with open(original, "w") as f:
            f.write("private")
        set_clipboard(uri_list([original]), "text/uri-list")
        q.wait_label("You currently have 1 files saved from the clipboard", page="Files")
        set_clipboard("find me")
        q.wait_label("You currently have 1 items of text saved from the clipboard")
        self.search("find")
        wait_until(lambda: "Search Results" in q.window_titles(), what="the results window")

        def destroy(title, moves=0):
            found = subprocess.run(["xdotool", "search", "--all", "--pid", str(q.process.pid), "--name",
                                    "^%s$" % title], capture_output=True, text=True, timeout=10).stdout.split()
            for window in found:
                # Moved just before, so the program is still asking about the
                # window when it goes: those requests then fail on the server.
                steps = []
                for i in range(moves):
                    steps += ["windowmove", window, str(10 + i % 50), str(10 + i % 30)]
                subprocess.run(["xdotool"] + steps + ["windowclose", window], timeout=10)

        # A results window taken away is closed as if by its close box, also
        # when the program is busy with it at that moment.
        for attempt in range(8):
            if attempt:
                self.search("find")
                wait_until(lambda: "Search Results" in q.window_titles(), what="the results window")
            destroy("Search Results", moves=40 * attempt)
            wait_until(lambda: "Search Results" not in q.window_titles(), what="the results window to go")
            settle(0.2)
            self.assertIsNone(q.process.poll(), "ended on attempt %d" % attempt)
        self.assertTrue(q.answers_accelerator())
        # And the main window taken away ends the program the ordinary way.
        destroy("Quillory")
        self.assertEqual(q.wait_exit(timeout=5), 0)
        self.assertFalse(os.path.lexists(q.copied_files))


if __name__ == "__main__":
    main()
