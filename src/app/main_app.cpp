#include "app/main_app.h"

#include "app/main_frame.h"
#include "platform/accessible.h"
#include "platform/program_paths.h"
#include "capture/clip_logger.h"
#include "capture/record_inbox.h"
#include "clipboard/held_copy.h"
#include "records/stored_copies.h"
#include "fs/file_system.h"
#include "imaging/image_codec.h"
#include "imaging/image_record.h"
#include "platform/clipboard_connection.h"
#include "platform/display_backend.h"
#include "platform/memory.h"
#include "platform/session_watch.h"

#include <wx/dialog.h>
#include <wx/msgdlg.h>

#include <cstdio>
#include <cstdlib>

wxIMPLEMENT_APP(MainApp);

MainApp::MainApp()
{
    KeepLargeBlocksApart();
    PrepareToolkit();
}

bool MainApp::OnInit()
{
    ToolkitStarted();
    NameMessageBoxesByCaption();
    m_programDir = ProgramDirectoryOf(ExecutablePath(argc > 0 ? argv[0].ToStdString() : std::string()));
    m_places = PlacesFor(m_programDir, IsWritableFolder(m_programDir), CurrentUserFolders());
    // Installed, the lock and the stored copies live in the user's cache,
    // private to them.
    const bool haveLockFolder = !m_places.installed || MakePrivateFolder(m_places.lockFolder);
    if (haveLockFolder && !m_instanceLock.Acquire(m_places.lockFolder))
    {
        wxMessageBox(m_places.installed ? "Quillory is already running."
                                        : "Quillory is already running from this folder.",
                     "Quillory", wxOK | wxICON_INFORMATION);
        return false;  // and leaves the folder to the one running
    }
    m_running = true;

    // What a run that was killed left behind goes first; a name taken by
    // anything that is not our own folder is left alone and not used.
    const std::filesystem::path copiedFiles = m_places.copiedFiles;
    m_store = std::make_unique<StoredCopies>(copiedFiles);
    StoredCopies::Found found = haveLockFolder ? StoredCopies::Examine(copiedFiles) : StoredCopies::Found::Taken;
    if (haveLockFolder)
        StoredCopies::RemoveLeftAside(copiedFiles);
    if (found == StoredCopies::Found::Ours)
        StoredCopies::RemoveIfOurs(copiedFiles);
    else if (found == StoredCopies::Found::Taken)
        m_store->Disable();

    m_frame = new MainFrame();
    m_frame->SetSaveRoot(m_places.saveRoot);
    m_frame->Bind(wxEVT_CLOSE_WINDOW, &MainApp::OnFrameClose, this);
    RegisterImageHandlers();
    m_frame->Show(true);

    WatchQuitSignals([this] { RequestQuit(); }, ShutDown::kQuitLimit, [this] { RemoveStoredCopiesNow(); });
    WatchDisplayLoss([this] { Shutdown(); });

    if (found == StoredCopies::Found::Taken)
    {
        wxString folder(copiedFiles.c_str(), *wxConvFileName);
        wxString message =
            haveLockFolder
                ? "Quillory keeps a copy of every file it records in\n\n" + folder +
                      "\n\nbut that name is taken by something that is not a folder of its own. Files will be "
                      "recorded without stored copies until it is moved away."
                : "Quillory keeps a copy of every file it records in\n\n" + folder +
                      "\n\nbut the folder above it could not be made. Files will be recorded without stored "
                      "copies.";
        m_frame->CallAfter([this, message] {
            wxMessageBox(message, "Copied Files Folder", wxOK | wxICON_WARNING, m_frame);
        });
    }

    // Told once, from the thread that stores copies.
    m_store->OnReserveReached([this](const std::string& message) {
        CallAfter([this, message] {
            if (m_frame && !m_shutDown.Done())
                wxMessageBox(wxString::FromUTF8(message.c_str()), "Copied Files Folder", wxOK | wxICON_WARNING,
                             m_frame);
        });
    });

    MainFrame* frame = m_frame;
    m_inbox = std::make_unique<RecordInbox>([frame] { frame->RecordsWaiting(); });
    m_frame->SetInbox(m_inbox.get());
    auto held = std::make_shared<HeldCopy>();
    m_logger = new ClipLogger(m_inbox.get(), m_store.get(), held);
    if (!m_logger->Start())
    {
        // The window works on without capture.
        delete m_logger;
        m_logger = nullptr;
        return true;
    }
    ClipLogger* logger = m_logger;
    m_clipboard =
        ClipboardConnection::Open([logger](ClipSnapshot snapshot) { logger->Submit(std::move(snapshot)); });
    if (m_clipboard)
        m_clipboard->KeepOnOffer(std::move(held));
    m_frame->SetClipboard(m_clipboard.get());
    return true;
}

void MainApp::OnFrameClose(wxCloseEvent& event)
{
    Shutdown();
    event.Skip();  // on to the window's own close handler
}

void MainApp::RequestQuit()
{
    if (!m_frame || m_shutDown.Done())
        return;
    // A modal dialog runs an event loop of its own, and the window must not
    // go from under it. A message box of the system's own can't be ended
    // from here: the process ends shortly after all the same.
    for (wxWindow* window : wxTopLevelWindows)
        if (auto* dialog = dynamic_cast<wxDialog*>(window); dialog && dialog->IsModal())
            dialog->EndModal(wxID_CANCEL);
    MainFrame* frame = m_frame;
    frame->CallAfter([frame] { frame->Close(true); });
}

void MainApp::RemoveStoredCopiesNow()
{
    if (m_running)
        ShutDown::RemoveStoredCopies(m_places.copiedFiles);
}

void MainApp::Shutdown()
{
    if (m_shutDown.Done())
        return;
    ShutDown::Parts parts;
    parts.clipboard = m_clipboard.get();
    parts.inbox = m_inbox.get();
    parts.capture = m_logger;
    if (m_frame)
        parts.windowWork = [frame = m_frame](ShutDown::Clock::time_point grace, ShutDown::Clock::time_point deadline) {
            return frame->FinishWork(grace, deadline);
        };
    if (m_running)
        parts.storedCopies = m_places.copiedFiles;
    if (m_shutDown.Run(parts))
        delete m_logger;
    else
        m_abandoned = true;  // the capture, if let go, still uses the logger, the inbox and the store
    m_logger = nullptr;
}

int MainApp::OnExit()
{
    Shutdown();
    if (m_abandoned)
    {
        // Threads still busy hold the inbox and the store: nothing may be
        // destroyed under them, and there is nothing left to wait for.
        std::fflush(nullptr);
        std::_Exit(0);
    }
    return wxApp::OnExit();
}
