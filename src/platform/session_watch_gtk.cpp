#include "platform/session_watch.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <X11/Xlib.h>
#include <gdk/gdkwayland.h>
#include <gdk/gdkx.h>
#include <glib.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <cstdio>
#include <thread>

namespace {

// Never destroyed: the watching thread may still use it while the process
// ends.
struct QuitWatch
{
    std::function<void()> quit;
    std::function<void()> last;
    std::chrono::milliseconds limit{0};
    int pipe[2] = {-1, -1};
};
QuitWatch* g_watch = nullptr;

std::function<void()>& LossHandler()
{
    static std::function<void()> lost;
    return lost;
}

void OnQuitSignal(int)
{
    // All a signal handler may do: wake the watching thread.
    const int saved = errno;
    char byte = 1;
    [[maybe_unused]] ssize_t written = ::write(g_watch->pipe[1], &byte, 1);
    errno = saved;
}

gboolean OnQuitRequested(gpointer data)
{
    static_cast<QuitWatch*>(data)->quit();
    return G_SOURCE_REMOVE;
}

// Hears the signals apart from the GUI thread, so that a GUI thread that
// never comes back to its event loop can't keep the process from ending.
void WatchFromThread(QuitWatch* watch)
{
    bool asked = false;
    auto deadline = std::chrono::steady_clock::now();
    for (;;)
    {
        int timeout = -1;
        if (asked)
        {
            auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline -
                                                                              std::chrono::steady_clock::now());
            timeout = static_cast<int>(std::max<std::chrono::milliseconds::rep>(left.count(), 0));
        }
        pollfd wake{watch->pipe[0], POLLIN, 0};
        int ready = ::poll(&wake, 1, timeout);
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready > 0)
        {
            char bytes[64];
            [[maybe_unused]] ssize_t got = ::read(watch->pipe[0], bytes, sizeof bytes);
            if (!asked)
                deadline = std::chrono::steady_clock::now() + watch->limit;
            asked = true;
            // A second signal asks again. Handed to GLib's loop as the
            // toolkit's own sources are, not as a toolkit event: those
            // run inside a modal dialog's loop too, where the window
            // must not close under the dialog.
            g_idle_add_full(G_PRIORITY_DEFAULT, OnQuitRequested, watch, nullptr);
            continue;
        }
        if (asked && std::chrono::steady_clock::now() >= deadline)
        {
            if (watch->last)
                watch->last();
            std::fflush(nullptr);
            ::_exit(0);
        }
    }
}

// The toolkit's connection, the one whose loss ends the program. The
// clipboard connection's own goes down with the same display, and
// its thread just stops.
Display* g_toolkitDisplay = nullptr;

int OnDisplayLost(Display* display)
{
    if (g_toolkitDisplay && display != g_toolkitDisplay)
        return 0;  // that connection's owner takes it from here
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

// GTK's Wayland backend ends the process itself when the compositor goes
// away, with nothing but a message first (a structured one); the message is
// the one moment left to clean up in.
GLogWriterOutput OnLogged(GLogLevelFlags level, const GLogField* fields, gsize count, gpointer data)
{
    const char* domain = nullptr;
    const char* message = nullptr;
    for (gsize i = 0; i < count; ++i)
    {
        if (std::strcmp(fields[i].key, "GLIB_DOMAIN") == 0 && fields[i].length < 0)
            domain = static_cast<const char*>(fields[i].value);
        else if (std::strcmp(fields[i].key, "MESSAGE") == 0 && fields[i].length < 0)
            message = static_cast<const char*>(fields[i].value);
    }
    if (domain && message && std::strcmp(domain, "Gdk") == 0 &&
        (g_str_has_prefix(message, "Error reading events from display") ||
         g_str_has_prefix(message, "Error flushing display") ||
         std::strstr(message, "dispatching to Wayland display")))
    {
        static bool once = false;
        if (!once && LossHandler())
        {
            once = true;
            LossHandler()();
        }
    }
    return g_log_writer_default(level, fields, count, data);
}

}  // namespace

void WatchQuitSignals(std::function<void()> quit, std::chrono::milliseconds limit, std::function<void()> last)
{
    if (g_watch)
        return;
    auto* watch = new QuitWatch{std::move(quit), std::move(last), limit};
    if (::pipe2(watch->pipe, O_CLOEXEC | O_NONBLOCK) != 0)
    {
        delete watch;
        return;
    }
    g_watch = watch;
    struct sigaction action = {};
    action.sa_handler = OnQuitSignal;
    action.sa_flags = SA_RESTART;
    sigemptyset(&action.sa_mask);
    for (int signal : {SIGTERM, SIGHUP, SIGINT})
        ::sigaction(signal, &action, nullptr);
    std::thread(WatchFromThread, watch).detach();
}

void WatchDisplayLoss(std::function<void()> lost)
{
    LossHandler() = std::move(lost);
    GdkDisplay* display = gdk_display_get_default();
    if (display && GDK_IS_X11_DISPLAY(display))
        g_toolkitDisplay = gdk_x11_display_get_xdisplay(display);
    XSetIOErrorHandler(OnDisplayLost);
    if (display && GDK_IS_WAYLAND_DISPLAY(display))
        g_log_set_writer_func(OnLogged, nullptr, nullptr);
}
