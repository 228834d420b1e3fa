#pragma once

#include "platform/instance_lock.h"
#include "platform/program_paths.h"

#include <wx/app.h>

#include <chrono>
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

    // The one way out: stops the clipboard connection and the capture thread,
    // drops records still on their way, lets a running save finish or stops
    // it, and removes the stored copies, all within about a second. Work
    // that does not stop in time is let go, and the process ends without
    // waiting for it.
    void Shutdown();

    // A quit signal: through the window's own close, as if the user closed
    // it; any dialog it shows ends first.
    void RequestQuit();

    // What must happen when the process ends without the GUI thread
    // (it did not get to the close in time): the stored copies go. Runs on
    // another thread and touches no window.
    void RemoveStoredCopiesNow();

    // From a quit signal to the end of the process, whatever holds the GUI
    // thread.
    static constexpr std::chrono::milliseconds kQuitLimit{800};
    // The stored copies' removal within the end: what takes longer is
    // finished after it.
    static constexpr std::chrono::milliseconds kRemovalBudget{150};

    MainFrame* m_frame = nullptr;
    ClipLogger* m_logger = nullptr;
    std::unique_ptr<RecordInbox> m_inbox;
    std::unique_ptr<StoredCopies> m_store;
    std::unique_ptr<ClipboardConnection> m_clipboard;
    std::filesystem::path m_programDir;
    RecordPlaces m_places;
    InstanceLock m_instanceLock;
    bool m_running = false;    // this instance owns the program directory
    bool m_shutDown = false;
    bool m_abandoned = false;  // work let go at shut-down still runs
};

wxDECLARE_APP(MainApp);
