#include "platform/session_watch.h"

#include <unistd.h>

#include <csignal>
#include <cstdio>

#include <X11/Xlib.h>
#include <gdk/gdk.h>
#include <glib-unix.h>

namespace {

std::function<void()>& QuitHandler()
{
    static std::function<void()> quit;
    return quit;
}

std::function<void()>& LossHandler()
{
    static std::function<void()> lost;
    return lost;
}

gboolean OnQuitSignal(gpointer)
{
    if (QuitHandler())
        QuitHandler()();
    return G_SOURCE_CONTINUE;  // a second signal asks again
}

int OnDisplayLost(Display*)
{
    // Xlib ends the process if this returns; it must not touch the display.
    static bool once = false;
    if (!once)
    {
        once = true;
        if (LossHandler())
            LossHandler()();
    }
    std::fflush(nullptr);
    ::_exit(1);
}

std::function<void()>& LastHandler()
{
    static std::function<void()> last;
    return last;
}

gboolean OnDeadline(gpointer)
{
    if (LastHandler())
        LastHandler()();
    std::fflush(nullptr);
    ::_exit(0);
}

}  // namespace

void WatchQuitSignals(std::function<void()> quit)
{
    QuitHandler() = std::move(quit);
    for (int signal : {SIGTERM, SIGHUP, SIGINT})
        g_unix_signal_add(signal, OnQuitSignal, nullptr);
}

void WatchDisplayLoss(std::function<void()> lost)
{
    LossHandler() = std::move(lost);
    XSetIOErrorHandler(OnDisplayLost);
}

void EndProcessAfter(int milliseconds, std::function<void()> last)
{
    LastHandler() = std::move(last);
    g_timeout_add(static_cast<guint>(milliseconds), OnDeadline, nullptr);
}
