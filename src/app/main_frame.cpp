#include "app/main_frame.h"

#include "app/timing_log.h"
#include "capture/record_inbox.h"
#include "dialogs/about_dialogs.h"
#include "dialogs/license_dialog.h"
#include "file/file_page.h"
#include "image/image_page.h"
#include "ui/callback_timer.h"
#include "ui/page_layout.h"
#include "platform/accessible.h"
#include "platform/notebook_tabs.h"
#include "platform/vanishing_window.h"
#include "save/save_records.h"
#include "records/preview_part.h"
#include "text/text_page.h"

#include <wx/app.h>
#include <wx/menu.h>
#include <wx/msgdlg.h>
#include <wx/notebook.h>
#include <wx/panel.h>
#include <wx/sizer.h>

#include <algorithm>
#include <functional>
#include <ctime>
#include <vector>

namespace {

const wxString kTextTab = wxString(' ', 16) + "Text" + wxString(' ', 16);
const wxString kImagesTab = wxString(' ', 16) + "Images" + wxString(' ', 16);
const wxString kFilesTab = wxString(' ', 16) + "Files" + wxString(' ', 17);

// A tab whose page is made later: the page fills it once there.
wxWindow* EmptyTab(wxNotebook* notebook)
{
    auto* tab = new wxPanel(notebook, wxID_ANY, wxDefaultPosition, wxDefaultSize, wxTAB_TRAVERSAL | wxNO_BORDER);
    tab->SetSizer(new wxBoxSizer(wxVERTICAL));
    return tab;
}

void FillTab(wxWindow* tab, wxWindow* page)
{
    tab->GetSizer()->Add(page, 1, wxEXPAND);
    tab->Layout();
}

constexpr long kFixedFrameStyle = wxCAPTION | wxSYSTEM_MENU | wxMINIMIZE_BOX | wxCLOSE_BOX | wxCLIP_CHILDREN;

}  // namespace

wxBEGIN_EVENT_TABLE(MainFrame, wxFrame)
    EVT_MENU(MainFrame::ID_QUIT, MainFrame::OnQuit)
    EVT_MENU(MainFrame::ID_SAVE_EVERYTHING, MainFrame::OnSaveEverything)
    EVT_MENU(MainFrame::ID_SAVE_TEXT, MainFrame::OnSaveText)
    EVT_MENU(MainFrame::ID_SAVE_IMAGES, MainFrame::OnSaveImages)
    EVT_MENU(MainFrame::ID_SAVE_FILES, MainFrame::OnSaveFiles)
    EVT_MENU(MainFrame::ID_ABOUT_SOFTWARE, MainFrame::OnAboutSoftware)
    EVT_MENU(MainFrame::ID_ABOUT_AUTHOR, MainFrame::OnAboutAuthor)
    EVT_MENU(MainFrame::ID_LICENSE, MainFrame::OnLicense)
    EVT_CLOSE(MainFrame::OnClose)
wxEND_EVENT_TABLE()

MainFrame::MainFrame()
    : wxFrame(nullptr, wxID_ANY, "Quillory", wxDefaultPosition, wxSize(415, 405), kFixedFrameStyle),
      m_timingLog(TimingLog::FromEnvironment())
{
    // The theme's font and colours, held as the window's own: a window
    // without them asks the toolkit for its defaults on every repaint, and
    // wxGTK answers each ask by making a new native window (a twentieth of
    // the work a new record costs, as the count label redraws).
    SetOwnFont(GetFont());
    SetOwnForegroundColour(GetForegroundColour());
    SetOwnBackgroundColour(GetBackgroundColour());
    m_notebook = new wxNotebook(this, wxID_ANY, wxDefaultPosition, wxDefaultSize, 0);
    m_textPage = new TextPage(m_notebook);
    m_notebook->AddPage(m_textPage, kTextTab, false, -1);
    m_imageTab = EmptyTab(m_notebook);
    m_notebook->AddPage(m_imageTab, kImagesTab, false, -1);
    m_fileTab = EmptyTab(m_notebook);
    m_notebook->AddPage(m_fileTab, kFilesTab, false, -1);

    m_menuBar = new wxMenuBar();
    SetMenuBar(m_menuBar);

    m_fileMenu = new wxMenu();
    m_fileMenu->Append(ID_QUIT, "E&xit\tAlt+F4");
    m_menuBar->Append(m_fileMenu, "&File");

    m_saveMenu = new wxMenu();
    m_saveMenu->Append(ID_SAVE_EVERYTHING, "Save Everything!\tCtrl+S");
    m_saveMenu->Append(wxID_SEPARATOR);
    m_saveMenu->Append(ID_SAVE_TEXT, "Save All &Text Entries\tCtrl+T");
    m_saveMenu->Append(ID_SAVE_IMAGES, "Save All &Image Entries\tCtrl+I");
    m_saveMenu->Append(ID_SAVE_FILES, "Save All &File Entries\tCtrl+F");
    m_menuBar->Append(m_saveMenu, "&Save");

    m_aboutMenu = new wxMenu();
    m_aboutMenu->Append(ID_ABOUT_SOFTWARE, "About the Software");
    m_aboutMenu->Append(ID_ABOUT_AUTHOR, "About the Author");
    m_aboutMenu->Append(wxID_SEPARATOR);
    m_aboutMenu->Append(ID_LICENSE, "License");
    m_menuBar->Append(m_aboutMenu, "&About");

    FitToPages();
    CloseWhenDestroyedFromOutside(this);
    // The pages out of sight are made just after the window is up, so that
    // it shows sooner; whatever needs them before that makes them first.
    CallAfter(&MainFrame::BuildLaterPages);
}

MainFrame::~MainFrame() = default;

void MainFrame::BuildLaterPages()
{
    if (m_imagePage)
        return;
    m_imagePage = new ImagePage(m_imageTab);
    m_imagePage->SetClipboard(m_clipboard);
    FillTab(m_imageTab, m_imagePage);
    m_filePage = new FilePage(m_fileTab);
    m_filePage->SetClipboard(m_clipboard);
    FillTab(m_fileTab, m_filePage);
    // The window fits the Text page; it changes only if these need more.
    const wxSize area = m_textPage->GetSize();
    for (wxWindow* tab : {m_imageTab, m_fileTab})
        if (tab->GetBestSize().x > area.x || tab->GetBestSize().y > area.y)
        {
            FitToPages();
            break;
        }
}

void MainFrame::FitToPages()
{
    // The pages' controls are larger here than the fixed window was drawn
    // for, and the padded tab labels must all show without scroll arrows;
    // the window grows to fit both and then stays fixed.
    wxSize page(0, 0);
    for (size_t i = 0; i < m_notebook->GetPageCount(); ++i)
        page.IncTo(m_notebook->GetPage(i)->GetBestSize());
    wxSize client = m_notebook->CalcSizeFromPage(page);

    client.IncTo(wxSize(NotebookTabsWidth(m_notebook), 0));
    FixSizeToFit(this, client);
}

void MainFrame::SetClipboard(ClipboardConnection* clipboard)
{
    m_clipboard = clipboard;
    m_textPage->SetClipboard(clipboard);
    if (m_imagePage)
        m_imagePage->SetClipboard(clipboard);
    if (m_filePage)
        m_filePage->SetClipboard(clipboard);
}

void MainFrame::RecordsWaiting()
{
    CallAfter(&MainFrame::TakeRecordsSoon);
}

void MainFrame::TakeRecordsSoon()
{
    if (!m_inbox)
        return;
    std::chrono::milliseconds wait = m_inbox->WaitBeforeTaking(std::chrono::steady_clock::now());
    if (wait.count() == 0)
    {
        TakeRecords();
        return;
    }
    // Too soon after the last take: wait, outside the event queue, so that
    // whatever else is waiting runs first. Later records join these.
    TakeRecordsIn(wait);
}

void MainFrame::TakeRecordsIn(std::chrono::milliseconds wait)
{
    if (!m_takeTimer)
        m_takeTimer = std::make_unique<CallbackTimer>([this] { TakeRecords(); });
    m_takeTimer->StartOnce(static_cast<int>(wait.count()));
}

void MainFrame::TakeRecords()
{
    if (!m_inbox)
        return;
    BuildLaterPages();
    const auto now = std::chrono::steady_clock::now();
    for (RecordInbox::Arrival& arrival : m_inbox->Take(now))
    {
        const char* kind = "text";
        if (auto* text = std::get_if<TextRecord>(&arrival.record))
            m_textPage->AddText(std::move(*text));
        else if (auto* image = std::get_if<ImageRecord>(&arrival.record))
        {
            m_imagePage->AddImage(std::move(*image));
            kind = "image";
        }
        else if (auto* file = std::get_if<FileRecord>(&arrival.record))
        {
            m_filePage->AddFile(std::move(*file));
            kind = "file";
        }
        if (m_timingLog)
            m_timingLog->Shown(kind, arrival.changedAt);
    }
    if (m_timingLog)
        m_timingLog->Flush();
    std::chrono::milliseconds again = m_inbox->ComeBackIn(now);
    if (again.count() > 0)
        TakeRecordsIn(again);
}

void MainFrame::OnQuit(wxCommandEvent&)
{
    // Through the close handler, like Alt+F4 and the close box.
    Close();
}

bool MainFrame::FinishWork(std::chrono::steady_clock::time_point grace,
                           std::chrono::steady_clock::time_point deadline)
{
    bool finished = true;
    if (m_saveQueue)
    {
        finished = m_saveQueue->Finish(grace, deadline);
        m_saveQueue.reset();
    }
    // A PNG being made for the clipboard is of no use once the program lets
    // go of the clipboard: it is not waited for.
    return (!m_imagePage || m_imagePage->StopConverting()) && finished;
}

void MainFrame::OnClose(wxCloseEvent&)
{
    // The program's end has run by now (the application hears of the close
    // first, and finished the saves); a window made without it finishes
    // them as it is destroyed.
    if (m_takeTimer)
        m_takeTimer->Stop();
    // Results windows have no parent, and an open one would keep the
    // program running after its main window is gone.
    std::vector<wxWindow*> others(wxTopLevelWindows.begin(), wxTopLevelWindows.end());
    for (wxWindow* window : others)
        if (window != this)
            window->Destroy();
    Destroy();
}

void MainFrame::ReportSave(const SaveReport& report)
{
    if (m_timingLog)
    {
        m_timingLog->Shown("save", m_saveAsked);
        m_timingLog->Flush();
    }
    // Success shows nothing, and is only said to a screen reader; anything
    // left out is shown, once per command.
    if (report.cancelled)
        return;
    if (report.failed == 0)
    {
        const std::size_t saved = report.records;
        Announce(this, wxString::Format("Saved %zu %s to ", saved, saved == 1 ? "record" : "records") +
                           wxString(report.folder.u8string().c_str(), wxConvUTF8));
        return;
    }
    std::string message = ReadableText(SaveFailureMessage(report));
    wxMessageBox(wxString::FromUTF8(message.data(), message.size()), "Save incomplete", wxOK | wxICON_ERROR, this);
}

void MainFrame::Save(int kind)
{
    // The moment of the command and the records as they are now, those
    // captured but still waiting for the pages included; the writing
    // happens elsewhere, so recording and the window go on.
    m_saveAsked = std::chrono::steady_clock::now();
    BuildLaterPages();
    TakeRecords();
    SaveJob job;
    job.stamp = TimeStampName(std::time(nullptr));
    job.kind = static_cast<SaveJob::Kind>(kind);
    job.saveRoot = m_saveRoot.empty() ? std::filesystem::current_path() : m_saveRoot;
    if (job.kind == SaveJob::Kind::Everything || job.kind == SaveJob::Kind::Text)
        job.texts = m_textPage->Texts();
    if (job.kind == SaveJob::Kind::Everything || job.kind == SaveJob::Kind::Images)
        job.images = m_imagePage->Images();
    if (job.kind == SaveJob::Kind::Everything || job.kind == SaveJob::Kind::Files)
        for (const FileRecord& file : m_filePage->Files())
            job.storedCopies.push_back(file.storedCopy);
    if (!m_saveQueue)
        m_saveQueue = std::make_unique<SaveQueue>([this](const SaveReport& report) {
            // On the save's thread; the queue is finished before the window
            // goes, and reports nothing after that.
            CallAfter([this, report] { ReportSave(report); });
        });
    m_saveQueue->Submit(std::move(job));
}

void MainFrame::OnSaveEverything(wxCommandEvent&)
{
    Save(static_cast<int>(SaveJob::Kind::Everything));
}

void MainFrame::OnSaveText(wxCommandEvent&)
{
    Save(static_cast<int>(SaveJob::Kind::Text));
}

void MainFrame::OnSaveImages(wxCommandEvent&)
{
    Save(static_cast<int>(SaveJob::Kind::Images));
}

void MainFrame::OnSaveFiles(wxCommandEvent&)
{
    Save(static_cast<int>(SaveJob::Kind::Files));
}
namespace {

// Every command makes a fresh dialog, shown modally and destroyed.
template <class Dialog>
void ShowDialog(wxWindow* parent)
{
    auto* dialog = new Dialog(parent);
    CloseWhenDestroyedFromOutside(dialog);
    dialog->ShowModal();
    dialog->Destroy();
}

}  // namespace

void MainFrame::OnAboutSoftware(wxCommandEvent&)
{
    ShowDialog<AboutSoftware>(this);
}

void MainFrame::OnAboutAuthor(wxCommandEvent&)
{
    ShowDialog<AboutAuthor>(this);
}

void MainFrame::OnLicense(wxCommandEvent&)
{
    ShowDialog<LicenseDialog>(this);
}
