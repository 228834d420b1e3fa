"""A clipboard owner that takes the clipboard and then never answers a
request, like a program that hangs."""

import sys

from Xlib import X, Xatom, display

d = display.Display()
window = d.screen().root.create_window(0, 0, 1, 1, 0, X.CopyFromParent)
clipboard = d.intern_atom("CLIPBOARD")
window.set_selection_owner(clipboard, X.CurrentTime)
d.flush()
if d.get_selection_owner(clipboard) != window:
    sys.exit(1)
print("ready", flush=True)
while True:
    d.next_event()  # requests are read and left unanswered
