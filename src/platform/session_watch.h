#pragma once

#include <functional>

// How the desktop session can end the program besides its own window.

// Calls `quit` on the GUI thread when the process is asked to end by
// SIGTERM (logout, shut-down), SIGHUP (the terminal went away) or SIGINT.
void WatchQuitSignals(std::function<void()> quit);

// Calls `lost` when the connection to the display breaks, on the GUI
// thread, where no window may be touched any more; the process then ends.
void WatchDisplayLoss(std::function<void()> lost);

// Ends the process `milliseconds` from now if it has not ended by then,
// whatever holds its event loop (a message box waiting for a click);
// `last` runs first.
void EndProcessAfter(int milliseconds, std::function<void()> last);
