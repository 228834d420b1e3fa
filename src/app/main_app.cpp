#include "app/main_app.h"

#include "app/main_frame.h"
#include "app/program_paths.h"
#include "capture/clip_logger.h"
#include "platform/clipboard_reader.h"
#include "platform/display_backend.h"

#include <wx/image.h>
#include <wx/msgdlg.h>
#include <wx/stdpaths.h>

wxIMPLEMENT_APP(MainApp);

MainApp::MainApp()
{
    PreferX11Backend();
}

bool MainApp::OnInit()
{
    m_programDir = ProgramDirectoryOf(wxStandardPaths::Get().GetExecutablePath().fn_str().data());
    if (!m_instanceLock.Acquire(m_programDir))
    {
        wxMessageBox("Quillory is already running from this folder.", "Quillory", wxOK | wxICON_INFORMATION);
        return false;  // and leaves the folder to the one running
    }
    m_running = true;

    m_frame = new MainFrame();
    m_frame->SetProgramDirectory(m_programDir);
    m_frame->SetShutdown([this] { StopCapture(); });
    wxInitAllImageHandlers();
    m_frame->Show(true);

    m_logger = new ClipLogger(m_frame, CopiedFilesFolder(m_programDir));
    if (m_logger->Create() != wxTHREAD_NO_ERROR || m_logger->Run() != wxTHREAD_NO_ERROR)
    {
        // The window works on without capture.
        delete m_logger;
        m_logger = nullptr;
        return true;
    }
    ClipLogger* logger = m_logger;
    m_reader = ClipboardReader::Create([logger](ClipSnapshot snapshot) { logger->Submit(std::move(snapshot)); });
    return true;
}

void MainApp::StopCapture()
{
    if (m_reader)
    {
        m_reader->Stop();
        m_reader.reset();
    }
    if (m_logger)
    {
        m_logger->RequestStop();
        m_logger->Wait();
        delete m_logger;
        m_logger = nullptr;
    }
}

int MainApp::OnExit()
{
    StopCapture();
    if (m_running)
        DeleteDirectoryTree(CopiedFilesFolder(m_programDir));
    return wxApp::OnExit();
}
