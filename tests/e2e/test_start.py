import os

from Xlib import display

from quillory_e2e import QuilloryTest, main, set_clipboard


class Start(QuilloryTest):
    def test_the_first_start_on_a_display_loads_no_gl_driver(self):
        # The toolkit keeps the visuals its GL probe chose on the root
        # window; without them it probes again, as on a display where no
        # program of the toolkit has run yet.
        d = display.Display()
        d.screen().root.delete_property(d.intern_atom("GDK_VISUALS"))
        d.sync()
        q = self.q.start()
        set_clipboard("started")
        q.wait_label("You currently have 1 items of text saved from the clipboard")
        with open("/proc/%d/maps" % q.process.pid) as f:
            libraries = {line.split()[-1] for line in f if line.rstrip().endswith(".so") or ".so." in line}
        loaded = sorted(os.path.basename(path) for path in libraries
                        if any(part in os.path.basename(path) for part in ("libGLX", "_dri.so", "libLLVM")))
        self.assertEqual(loaded, [])


if __name__ == "__main__":
    main()
