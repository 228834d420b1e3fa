#pragma once

#include "capture/capture_sink.h"

#include <wx/frame.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

class FilePage;
class SaveQueue;
class ImagePage;
class TextPage;
class wxMenu;
class wxMenuBar;
class wxNotebook;
class wxTimer;

// The main window: a notebook of the three record pages and three menus.
// It is also where the capture thread's records enter the GUI thread.
class MainFrame : public wxFrame, public CaptureSink
{
public:
    enum
    {
        ID_QUIT = 5999,
        ID_SAVE_EVERYTHING = 6000,
        ID_SAVE_TEXT = 6001,
        ID_SAVE_IMAGES = 6002,
        ID_SAVE_FILES = 6003,
        ID_ABOUT_AUTHOR = 6004,
        ID_ABOUT_SOFTWARE = 6005,
        ID_LICENSE = 6006
    };

    MainFrame();
    ~MainFrame() override;

    // Where the save commands write: below the folder of the executable.
    void SetProgramDirectory(std::filesystem::path dir) { m_programDir = std::move(dir); }

    // Runs once when the window starts to close, before any page is
    // destroyed: the place to stop everything that feeds the pages.
    void SetShutdown(std::function<void()> shutdown) { m_shutdown = std::move(shutdown); }

    // CaptureSink, called on the capture thread.
    void AddText(TextRecord text) override;
    void AddImage(ImageRecord image) override;
    void AddFile(FileRecord file) override;

    TextPage* m_textPage;
    ImagePage* m_imagePage;
    FilePage* m_filePage;
    wxMenuBar* m_menuBar;
    wxNotebook* m_notebook;
    wxMenu* m_fileMenu;
    wxMenu* m_saveMenu;
    wxMenu* m_aboutMenu;

private:
    void OnQuit(wxCommandEvent& event);
    void OnClose(wxCloseEvent& event);
    void OnSaveEverything(wxCommandEvent& event);
    void OnSaveText(wxCommandEvent& event);
    void OnSaveImages(wxCommandEvent& event);
    void OnSaveFiles(wxCommandEvent& event);
    void OnAboutSoftware(wxCommandEvent& event);
    void OnAboutAuthor(wxCommandEvent& event);
    void OnLicense(wxCommandEvent& event);

    void FitToPages();
    void Save(int kind);

    // Records cross to the GUI thread in capture order, in batches: one
    // queued call takes everything that arrived since the last, so the
    // window keeps up with thousands of records at once.
    void HandOver(std::function<void()> add);
    void TakeHandOvers();
    void RunHandOvers();

    std::function<void()> m_shutdown;
    std::filesystem::path m_programDir;
    std::unique_ptr<SaveQueue> m_saveQueue;
    std::mutex m_handOverMutex;
    std::vector<std::function<void()>> m_handOvers;
    bool m_handOverQueued = false;
    std::chrono::steady_clock::time_point m_lastHandOvers;
    std::unique_ptr<wxTimer> m_handOverTimer;

    wxDECLARE_EVENT_TABLE();
};
