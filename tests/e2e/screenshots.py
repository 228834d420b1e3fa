"""Takes the screenshots in docs/screenshots: run under Xvfb and a D-Bus
session, e.g.
  xvfb-run -a -s "-screen 0 1280x1024x24" dbus-run-session -- \
      /usr/bin/python3 tests/e2e/screenshots.py build/quillory docs/screenshots
"""

import os
import subprocess
import sys
import time

import quillory_e2e as e


def shot(q, path):
    time.sleep(0.4)
    subprocess.run(["import", "-frame", "-window", str(q.x_window()), path], check=True)


def window_named(title):
    return subprocess.run(["xdotool", "search", "--onlyvisible", "--name", "^%s$" % title.replace(":", "."),],
                          capture_output=True, text=True).stdout.split()[0]


def wait_until_gone(q, title):
    e.wait_until(lambda: q._showing(q.find("dialog", title, root=q.app)) is None, what="the dialog to close")


def select_tab(q, index):
    q.find("page tab list").querySelection().selectChild(index)


def main():
    e.EXECUTABLE = os.path.abspath(sys.argv[1])
    out = sys.argv[2]
    manager = e.start_window_manager()
    e.stop_clipboard_owners()
    q = e.Quillory(with_license=True)
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
        e.set_clipboard(e.uri_list([report]), "text/uri-list")
        q.wait_label("You currently have 1 files saved from the clipboard", page="Files")
        select_tab(q, 2)
        q.press("Next >>", page="Files")
        shot(q, os.path.join(out, "files-page.png"))

        for item, name in [("About the Software", "about-software.png"), ("About the Author", "about-author.png"),
                           ("License", "license.png")]:
            q.choose_with_mouse("About", item)
            title = "Quillory :: License" if item == "License" else "Quillory :: About"
            dialog = q.dialog(title)
            time.sleep(0.5)
            subprocess.run(["import", "-frame", "-window", window_named(title), os.path.join(out, name)], check=True)
            subprocess.run(["wmctrl", "-c", title], check=True)
            wait_until_gone(q, title)
    finally:
        q.close()
        manager.kill()
        e.stop_clipboard_owners()


if __name__ == "__main__":
    main()
