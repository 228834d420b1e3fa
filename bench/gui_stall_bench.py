"""How long the GUI thread is kept busy while a large image is captured:
reads the window's count label over the accessibility bus as fast as it
answers, while xclip offers the image, and reports the longest answer
beside the longest answer of an idle window. Run under Xvfb and D-Bus:
  xvfb-run -a -s "-screen 0 4000x2400x24" dbus-run-session -- \
      /usr/bin/python3 bench/gui_stall_bench.py build/quillory IMAGE.png [...]
"""

import os
import subprocess
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "e2e"))
import quillory_e2e as e  # noqa: E402


def probe(label, until, limit=30.0):
    longest, reads, start = 0.0, 0, time.perf_counter()
    while True:
        t = time.perf_counter()
        name = label.name
        longest = max(longest, time.perf_counter() - t)
        reads += 1
        if until(name) or time.perf_counter() - start > limit:
            return 1000 * longest, reads, 1000 * (time.perf_counter() - start)


def main():
    e.EXECUTABLE = os.path.abspath(sys.argv[1])
    e.stop_clipboard_owners()
    q = e.Quillory()
    try:
        q.start()
        label = q.find("label", prefix="You currently", root=q.page("Images"))
        idle, reads, _ = probe(label, lambda name: False, limit=2.0)
        print("idle window: longest answer %.1f ms over %d reads" % (idle, reads))
        for count, path in enumerate(sys.argv[2:], start=1):
            expected = "You currently have %d images saved from the clipboard" % count
            with open(path, "rb") as f:
                subprocess.Popen(["xclip", "-selection", "clipboard", "-t", "image/png", "-i"], stdin=f,
                                 stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            longest, reads, total = probe(label, lambda name: name == expected)
            print("%s: recorded after %.0f ms; longest answer meanwhile %.1f ms over %d reads"
                  % (os.path.basename(path), total, longest, reads))
    finally:
        q.close()
        e.stop_clipboard_owners()


if __name__ == "__main__":
    main()
