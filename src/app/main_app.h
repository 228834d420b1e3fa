#pragma once

#include "app/instance_lock.h"

#include <wx/app.h>

#include <filesystem>
#include <memory>

class ClipLogger;
class ClipboardReader;
class MainFrame;

class MainApp : public wxApp
{
public:
    MainApp();

    bool OnInit() override;
    int OnExit() override;

private:
    // Stops the clipboard reader and the capture thread and waits for the
    // thread to end, so that nothing reaches the pages or the copied-files
    // folder afterwards.
    void StopCapture();

    MainFrame* m_frame = nullptr;
    ClipLogger* m_logger = nullptr;
    std::unique_ptr<ClipboardReader> m_reader;
    std::filesystem::path m_programDir;
    InstanceLock m_instanceLock;
    bool m_running = false;  // this instance owns the program directory
};

wxDECLARE_APP(MainApp);
