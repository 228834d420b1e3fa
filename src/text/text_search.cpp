#include "text/text_search.h"

#include "ui/labels.h"
#include "ui/page_layout.h"
#include "ui/record_browser.h"
#include "platform/accessible.h"
#include "platform/clipboard_connection.h"
#include "platform/memory.h"
#include "platform/vanishing_window.h"

#include <wx/app.h>
#include <wx/button.h>
#include <wx/panel.h>
#include <wx/sizer.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

wxBEGIN_EVENT_TABLE(TextSearch, wxFrame)
    EVT_BUTTON(TextSearch::ID_NEXT, TextSearch::OnNext)
    EVT_BUTTON(TextSearch::ID_PREVIOUS, TextSearch::OnPrevious)
    EVT_BUTTON(TextSearch::ID_COPY, TextSearch::OnCopy)
wxEND_EVENT_TABLE()

TextSearch::TextSearch(TextRecords results, ClipboardConnection* clipboard)
    : wxFrame(nullptr, wxID_ANY, "Search Results", wxDefaultPosition, wxSize(415, 280),
              wxSYSTEM_MENU | wxMINIMIZE_BOX | wxCLOSE_BOX | wxCAPTION | wxCLIP_CHILDREN),
      m_results(std::move(results)),
      m_clipboard(clipboard)
{
    m_panel = new wxPanel(this, wxID_ANY, wxDefaultPosition, wxDefaultSize, wxTAB_TRAVERSAL | wxNO_BORDER);
    RecordBrowser::Setup browsing;
    browsing.previousId = ID_PREVIOUS;
    browsing.nextId = ID_NEXT;
    browsing.results = true;
    browsing.start = 1;
    browsing.count = [this] { return m_results.size(); };
    browsing.show = [this](size_t index) { m_resultText.Show(m_results[index]); };
    // From the match itself: the box is filled only once the window is up.
    browsing.spoken = [this](size_t index) { return SpokenStart(*m_results[index].text); };
    browsing.positionAt = RecordBrowser::PositionAt::BeforeButtons;
    m_browser = std::make_unique<RecordBrowser>(m_panel, std::move(browsing));
    m_resultView = new wxTextCtrl(m_panel, wxID_ANY, wxEmptyString, wxDefaultPosition, wxSize(345, 125),
                                  wxTE_MULTILINE | wxTE_PROCESS_ENTER);
    m_copyButton = new wxButton(m_panel, ID_COPY, "Copy to Clipboard");
    m_resultText = TextPreview(m_resultView);

    auto* browse = new wxBoxSizer(wxHORIZONTAL);
    browse->AddStretchSpacer();
    browse->Add(m_browser->PreviousButton());
    browse->AddSpacer(kRowGap);
    browse->Add(m_browser->NextButton());
    browse->AddStretchSpacer();

    auto* panel = new wxBoxSizer(wxVERTICAL);
    panel->AddSpacer(10);
    panel->Add(CentredRow(m_browser->PositionLabel()), 0, wxEXPAND);
    panel->AddSpacer(kRowGap);
    panel->Add(browse, 0, wxEXPAND);
    panel->AddSpacer(kRowGap);
    panel->Add(m_resultView, 1, wxEXPAND | wxLEFT | wxRIGHT, kPageMargin);
    panel->AddSpacer(kRowGap);
    panel->Add(CentredRow(m_copyButton), 0, wxEXPAND);
    panel->AddSpacer(kRowGap);
    m_panel->SetSizer(panel);

    FixSizeToFit(this, panel->GetMinSize());
    CloseWhenDestroyedFromOutside(this);
    m_browser->LabelsNameNothing();
    CloseOnEscape(this);

    // The first match goes into the box once the window is on screen: a box
    // that has no width yet breaks a long line at every character, and a
    // line of a few hundred kilobytes then took many seconds and a hundred
    // megabytes.
    CallAfter([this] { m_browser->ShowCurrent(); });
    // A screen reader hears how many matches there are and the first with
    // the button the window opens on, once, whenever the window manager
    // gives the window the focus.
    DescribeUntilLeft(m_browser->PreviousButton(), m_browser->SpokenCurrent());
}

TextSearch::~TextSearch()
{
    // The box's layout of a large match is many small blocks, which the
    // allocator keeps unless told to give them back; the box itself goes
    // after this body, so the trim comes later.
    if (wxTheApp)
        wxTheApp->CallAfter([] { ReturnFreedMemory(); });
}

void TextSearch::OnNext(wxCommandEvent&)
{
    m_browser->Next();
}

void TextSearch::OnPrevious(wxCommandEvent&)
{
    m_browser->Previous();
}

void TextSearch::OnCopy(wxCommandEvent&)
{
    if (m_clipboard)
        SayCopied(this, m_clipboard->PutText(m_resultText.TextToCopy(), m_resultText.FormsToCopy()));
}
