"""Takes the screenshots in docs/screenshots: run under Xvfb and a D-Bus
session, e.g.
  xvfb-run -a -s "-screen 0 1280x1024x24" dbus-run-session -- \
      /usr/bin/python3 tests/e2e/screenshots.py build/quillory docs/screenshots
"""

import os
import subprocess
import sys
import time
import urllib.parse

import quillory_e2e as e


def shot(q, path):
    time.sleep(0.4)
    subprocess.run(["import", "-frame", "-window", str(q.x_window()), path], check=True)


def select_tab(q, index):
    q.find("page tab list").querySelection().selectChild(index)


def main():
    e.EXECUTABLE = os.path.abspath(sys.argv[1])
    out = sys.argv[2]
    manager = e.start_window_manager()
    e.stop_clipboard_owners()
    q = e.Quillory()
    try:
        q.start()
        for text in ["Meeting moved to 3 pm, room 4.12", "https://example.org/report",
                     "The quick brown fox jumps over the lazy dog.\nSecond line of the note."]:
            e.set_clipboard(text)
            time.sleep(0.2)
        q.press("Next >>")
        q.press("Next >>")
        q.press("Next >>")
        subprocess.run(["xdotool", "mousemove", "5", "5"])
        shot(q, os.path.join(out, "text-page.png"))

        photo = e.make_png(os.path.join(q.dir, "photo.png"), 900, 700, "plasma:steelblue-orange")
        e.set_clipboard_file(photo, "image/png")
        q.wait_label("You currently have 1 images saved from the clipboard", page="Images")
        select_tab(q, 1)
        q.press("Next >>", page="Images")
        shot(q, os.path.join(out, "images-page.png"))

        report = os.path.join(q.dir, "Quarterly report.txt")
        with open(report, "w") as f:
            f.write("Revenue grew in every region.\n" * 200)
        e.set_clipboard("file://" + urllib.parse.quote(report) + "\r\n", "text/uri-list")
        q.wait_label("You currently have 1 files saved from the clipboard", page="Files")
        select_tab(q, 2)
        q.press("Next >>", page="Files")
        shot(q, os.path.join(out, "files-page.png"))
    finally:
        q.close()
        manager.kill()
        e.stop_clipboard_owners()


if __name__ == "__main__":
    main()
