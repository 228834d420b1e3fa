#pragma once

#include "app/shut_down.h"
#include "platform/instance_lock.h"
#include "platform/program_paths.h"

#include <wx/app.h>

#include <filesystem>
#include <memory>

class ClipLogger;
class ClipboardConnection;
class MainFrame;
class RecordInbox;
class StoredCopies;
class wxCloseEvent;

class MainApp : public wxApp
{
public:
    MainApp();

    bool OnInit() override;
    int OnExit() override;

private:
    // The main window is closing (Exit, Alt+F4, the close box, a quit
    // signal): everything this application started stops here.
    void OnFrameClose(wxCloseEvent& event);

    // The one way out, whatever asked for it (see ShutDown). Work that does
    // not stop in time is let go, and the process ends without waiting for
    // it.
    void Shutdown();

    // A quit signal: through the window's own close, as if the user closed
    // it; any dialog it shows ends first.
    void RequestQuit();

    // What must happen when the process ends without the GUI thread
    // (it did not get to the close in time): the stored copies go. Runs on
    // another thread and touches no window.
    void RemoveStoredCopiesNow();

    MainFrame* m_frame = nullptr;
    ClipLogger* m_logger = nullptr;
    std::unique_ptr<RecordInbox> m_inbox;
    std::unique_ptr<StoredCopies> m_store;
    std::unique_ptr<ClipboardConnection> m_clipboard;
    std::filesystem::path m_programDir;
    RecordPlaces m_places;
    InstanceLock m_instanceLock;
    bool m_running = false;    // this instance owns the program directory
    ShutDown m_shutDown;
    bool m_abandoned = false;  // work let go at shut-down still runs
};

wxDECLARE_APP(MainApp);
