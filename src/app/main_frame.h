#pragma once

#include <wx/frame.h>

#include <chrono>
#include <filesystem>
#include <memory>

class ClipboardConnection;
class FilePage;
class RecordInbox;
class SaveQueue;
struct SaveReport;
class ImagePage;
class TextPage;
class TimingLog;
class wxMenu;
class wxMenuBar;
class wxNotebook;
class wxTimer;

// The main window: a notebook of the three record pages and three menus.
// It takes the capture thread's records from the inbox onto the pages.
class MainFrame : public wxFrame
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

    // Where the save commands write: the folder that holds manual-save.
    void SetSaveRoot(std::filesystem::path folder) { m_saveRoot = std::move(folder); }

    // Where new records wait; RecordsWaiting() (from any thread) brings the
    // window to take them.
    void SetInbox(RecordInbox* inbox) { m_inbox = inbox; }
    void RecordsWaiting();

    // Where the pages' copy buttons put records back; it outlives the
    // window.
    void SetClipboard(ClipboardConnection* clipboard);

    // For the program's end: lets running saves go on until `grace`, then
    // stops them, and lets go
    // of an image being made ready for the clipboard at once; false when
    // any of them was still busy (a save at `deadline`) and was let go.
    bool FinishWork(std::chrono::steady_clock::time_point grace, std::chrono::steady_clock::time_point deadline);

private:
    std::unique_ptr<TimingLog> m_timingLog;
    std::chrono::steady_clock::time_point m_saveAsked;  // when the newest save command was given, for the timing log
    TextPage* m_textPage;
    // The Images and Files tabs hold their pages once BuildLaterPages() has
    // made them, just after the window first shows.
    wxWindow* m_imageTab;
    wxWindow* m_fileTab;
    ImagePage* m_imagePage = nullptr;
    FilePage* m_filePage = nullptr;
    wxMenuBar* m_menuBar;
    wxNotebook* m_notebook;
    wxMenu* m_fileMenu;
    wxMenu* m_saveMenu;
    wxMenu* m_aboutMenu;

    void OnQuit(wxCommandEvent& event);
    void OnClose(wxCloseEvent& event);
    void OnSaveEverything(wxCommandEvent& event);
    void OnSaveText(wxCommandEvent& event);
    void OnSaveImages(wxCommandEvent& event);
    void OnSaveFiles(wxCommandEvent& event);
    void OnAboutSoftware(wxCommandEvent& event);
    void OnAboutAuthor(wxCommandEvent& event);
    void OnLicense(wxCommandEvent& event);

    void BuildLaterPages();
    void FitToPages();
    void Save(int kind);

    // Records cross to the GUI thread in capture order, in batches: one
    // call takes everything that arrived since the last, so the window
    // keeps up with thousands of records at once.
    void TakeRecordsSoon();
    void TakeRecordsIn(std::chrono::milliseconds wait);
    void TakeRecords();
    void ReportSave(const SaveReport& report);

    std::filesystem::path m_saveRoot;
    std::unique_ptr<SaveQueue> m_saveQueue;
    RecordInbox* m_inbox = nullptr;
    ClipboardConnection* m_clipboard = nullptr;
    std::unique_ptr<wxTimer> m_takeTimer;

    wxDECLARE_EVENT_TABLE();
};
