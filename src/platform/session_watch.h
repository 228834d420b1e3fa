#pragma once

#include <chrono>
#include <functional>

// How the desktop session can end the program besides its own window.

// Calls `quit` on the GUI thread when the process is asked to end by
// SIGTERM (logout, shut-down), SIGHUP (the terminal went away) or SIGINT
// (on Windows: a console's control events). Should the process still run
// `limit` after the first such request, whatever holds the GUI thread (a
// toolkit stuck inside a call, a message box of the system's), `last`
// runs on a thread of its own, where no window may be touched, and the
// process ends.
void WatchQuitSignals(std::function<void()> quit, std::chrono::milliseconds limit, std::function<void()> last);

// Calls `lost` when the connection to the display breaks, on the GUI
// thread, where no window may be touched any more; the process then ends.
void WatchDisplayLoss(std::function<void()> lost);

