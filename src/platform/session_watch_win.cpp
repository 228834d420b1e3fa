// Windows ends a session with WM_QUERYENDSESSION and WM_ENDSESSION, which
// the toolkit turns into closing the main window; a console the program was
// started from can end it with a control event.

#include "platform/session_watch.h"

#include <wx/app.h>

#include <windows.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <thread>

namespace {

// Never destroyed: the deadline's thread may still use it while the
// process ends.
struct QuitWatch
{
    std::function<void()> quit;
    std::function<void()> last;
    std::chrono::milliseconds limit{0};
    std::atomic<bool> asked{false};
};
QuitWatch* g_watch = nullptr;

BOOL WINAPI OnConsoleEvent(DWORD type)
{
    QuitWatch* watch = g_watch;
    if (wxTheApp)
        wxTheApp->CallAfter([watch] { watch->quit(); });
    // Whatever holds the GUI thread, the process ends once the limit is
    // past.
    if (!watch->asked.exchange(true))
        std::thread([watch] {
            std::this_thread::sleep_for(watch->limit);
            if (watch->last)
                watch->last();
            std::fflush(nullptr);
            std::_Exit(0);
        }).detach();
    // For these the process ends when this returns: the window gets time
    // to close first.
    if (type == CTRL_CLOSE_EVENT || type == CTRL_LOGOFF_EVENT || type == CTRL_SHUTDOWN_EVENT)
        ::Sleep(2000);
    return TRUE;
}

}  // namespace

void WatchQuitSignals(std::function<void()> quit, std::chrono::milliseconds limit, std::function<void()> last)
{
    if (g_watch)
        return;
    g_watch = new QuitWatch{std::move(quit), std::move(last), limit};
    ::SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
}

void WatchDisplayLoss(std::function<void()>)
{
    // The Windows desktop does not go away under a running program.
}
