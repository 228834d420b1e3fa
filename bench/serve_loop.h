#pragma once

// The event loop of the bench's clipboard owners: every request answered
// as it comes, with poll() between them.

#include <X11/Xlib.h>

#include <poll.h>

#include <chrono>

using Clock = std::chrono::steady_clock;

// Answers every request that has come.
template <typename Serve>
void ServePending(Display* display, Serve serve)
{
    XFlush(display);
    while (XPending(display))
    {
        XEvent event;
        XNextEvent(display, &event);
        if (event.type == SelectionRequest)
            serve(event.xselectionrequest);
    }
    XFlush(display);
}

// Answers requests until `deadline`, or until `done()` says so.
template <typename Serve, typename Done>
void ServeUntil(Display* display, Clock::time_point deadline, Serve serve, Done done)
{
    for (;;)
    {
        ServePending(display, serve);
        auto left = std::chrono::duration_cast<std::chrono::microseconds>(deadline - Clock::now()).count();
        if (left <= 0 || done())
            return;
        pollfd fd{ConnectionNumber(display), POLLIN, 0};
        poll(&fd, 1, static_cast<int>((left + 999) / 1000));
    }
}
