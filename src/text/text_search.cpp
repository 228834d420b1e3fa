#include "text/text_search.h"

#include "ui/labels.h"
#include "ui/page_layout.h"
#include "platform/clipboard_writer.h"
#include "platform/vanishing_window.h"

#include <wx/app.h>
#include <wx/button.h>
#include <wx/panel.h>
#include <wx/sizer.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#ifdef __GLIBC__
#include <malloc.h>
#endif

wxBEGIN_EVENT_TABLE(TextSearch, wxFrame)
    EVT_BUTTON(TextSearch::ID_NEXT, TextSearch::OnNext)
    EVT_BUTTON(TextSearch::ID_PREVIOUS, TextSearch::OnPrevious)
    EVT_BUTTON(TextSearch::ID_COPY, TextSearch::OnCopy)
wxEND_EVENT_TABLE()

TextSearch::TextSearch(TextRecords results)
    : wxFrame(nullptr, wxID_ANY, "Search Results", wxDefaultPosition, wxSize(415, 280),
              wxSYSTEM_MENU | wxMINIMIZE_BOX | wxCLOSE_BOX | wxCAPTION | wxCLIP_CHILDREN),
      m_results(std::move(results))
{
    m_panel = new wxPanel(this, wxID_ANY, wxDefaultPosition, wxDefaultSize, wxTAB_TRAVERSAL | wxNO_BORDER);
    m_positionLabel = new wxStaticText(m_panel, wxID_ANY,
                                       AsciiLabel(ResultsLabelText(m_position.Position(), m_results.size())));
    SetLabelFont(m_positionLabel);
    m_previousButton = new wxButton(m_panel, ID_PREVIOUS, "<< Previous");
    m_nextButton = new wxButton(m_panel, ID_NEXT, "Next >>");
    m_resultView = new wxTextCtrl(m_panel, wxID_ANY, wxEmptyString, wxDefaultPosition, wxSize(345, 125),
                                  wxTE_MULTILINE | wxTE_PROCESS_ENTER);
    m_copyButton = new wxButton(m_panel, ID_COPY, "Copy to Clipboard");
    m_resultText = TextPreview(m_resultView);

    auto* browse = new wxBoxSizer(wxHORIZONTAL);
    browse->AddStretchSpacer();
    browse->Add(m_previousButton);
    browse->AddSpacer(kRowGap);
    browse->Add(m_nextButton);
    browse->AddStretchSpacer();

    auto* panel = new wxBoxSizer(wxVERTICAL);
    panel->AddSpacer(10);
    panel->Add(CentredRow(m_positionLabel), 0, wxEXPAND);
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

    // The first match goes into the box once the window is on screen: a box
    // that has no width yet breaks a long line at every character, and a
    // line of a few hundred kilobytes then took many seconds and a hundred
    // megabytes.
    CallAfter(&TextSearch::ShowResult);
}

TextSearch::~TextSearch()
{
#ifdef __GLIBC__
    // The box's layout of a large match is many small blocks, which the
    // allocator keeps unless told to give them back; the box itself goes
    // after this body, so the trim comes later.
    if (wxTheApp)
        wxTheApp->CallAfter([] { ::malloc_trim(0); });
#endif
}

void TextSearch::OnNext(wxCommandEvent&)
{
    if (m_position.Next(m_results.size()))
        ShowResult();
}

void TextSearch::OnPrevious(wxCommandEvent&)
{
    if (m_position.Previous())
        ShowResult();
}

void TextSearch::ShowResult()
{
    m_positionLabel->SetLabel(AsciiLabel(ResultsLabelText(m_position.Position(), m_results.size())));
    m_panel->Layout();
    m_resultText.Show(m_results[m_position.Position() - 1]);
}

void TextSearch::OnCopy(wxCommandEvent&)
{
    PutTextOnClipboard(m_resultText.TextToCopy());
}
