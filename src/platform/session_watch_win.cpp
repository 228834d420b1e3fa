// Windows ends a session with WM_QUERYENDSESSION and WM_ENDSESSION, which
// the toolkit turns into closing the main window; a console the program was
// started from can end it with a control event.

#include "platform/session_watch.h"

#include <wx/app.h>

#include <windows.h>

#include <cstdio>
#include <cstdlib>

namespace {

std::function<void()>& QuitHandler()
{
    static std::function<void()> quit;
    return quit;
}

std::function<void()>& LastHandler()
{
    static std::function<void()> last;
    return last;
}

BOOL WINAPI OnConsoleEvent(DWORD type)
{
    if (wxTheApp && QuitHandler())
        wxTheApp->CallAfter([] { QuitHandler()(); });
    // For these the process ends when this returns: the window gets time
    // to close first.
    if (type == CTRL_CLOSE_EVENT || type == CTRL_LOGOFF_EVENT || type == CTRL_SHUTDOWN_EVENT)
        ::Sleep(2000);
    return TRUE;
}

// A thread timer: every message loop of the GUI thread runs it, a system
// message box's included.
void CALLBACK OnDeadline(HWND, UINT, UINT_PTR, DWORD)
{
    if (LastHandler())
        LastHandler()();
    std::fflush(nullptr);
    std::_Exit(0);
}

}  // namespace

void WatchQuitSignals(std::function<void()> quit)
{
    QuitHandler() = std::move(quit);
    ::SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
}

void WatchDisplayLoss(std::function<void()>)
{
    // The Windows desktop does not go away under a running program.
}

void EndProcessAfter(int milliseconds, std::function<void()> last)
{
    LastHandler() = std::move(last);
    ::SetTimer(nullptr, 0, static_cast<UINT>(milliseconds), OnDeadline);
}
