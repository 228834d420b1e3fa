from quillory_e2e import QuilloryTest, main, set_clipboard, wait_until


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
        self.assertEqual(q.text_of(q.find("text", root=window)), "xabcx")
        self.assertEqual(q.text_of(q.text_boxes()[1]), "")  # the search field is emptied

        # Closing the main window closes the results window too, and the
        # program ends as it should.
        q.menu_item("Exit")
        self.assertEqual(q.wait_exit(timeout=5), 0)


if __name__ == "__main__":
    main()
