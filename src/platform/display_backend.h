#pragma once

// Call before the toolkit starts. Has the toolkit use the X11 backend,
// through XWayland on a Wayland session whose compositor lacks
// data-control: there the clipboard is read through X, since GTK's change
// notification reaches only the focused window and a recorder must hear
// every change. Where data-control is offered, GTK's Wayland backend. And has it skip its GL probe: the first program of the
// toolkit on a display loads the GL driver to choose its visuals (with
// Mesa's software driver that is LLVM, 50 MB resident for the whole run,
// and start-up time), and this program draws nothing with GL.
void PrepareToolkit();

// The toolkit's port this build draws with, as the About dialog names it.
const char* ToolkitPort();

// Call once the toolkit has started: takes back what PrepareToolkit() asked
// of the environment, so that programs started from here (a browser for a
// link) start as usual.
void ToolkitStarted();
