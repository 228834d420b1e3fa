#include "text/text_page.h"

#include "ui/labels.h"
#include "platform/accessible.h"
#include "ui/page_layout.h"
#include "ui/record_browser.h"
#include "platform/clipboard_connection.h"
#include "records/text_match.h"
#include "text/text_search.h"

#include <wx/button.h>
#include <wx/msgdlg.h>
#include <wx/sizer.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

wxBEGIN_EVENT_TABLE(TextPage, wxPanel)
    EVT_BUTTON(TextPage::ID_NEXT, TextPage::OnNext)
    EVT_BUTTON(TextPage::ID_PREVIOUS, TextPage::OnPrevious)
    EVT_BUTTON(TextPage::ID_COPY, TextPage::OnCopy)
    EVT_BUTTON(TextPage::ID_SEARCH, TextPage::OnSearch)
wxEND_EVENT_TABLE()

TextPage::TextPage(wxWindow* parent)
    : wxPanel(parent, wxID_ANY, wxDefaultPosition, wxDefaultSize, wxTAB_TRAVERSAL | wxNO_BORDER)
{
    // Creation order is the keyboard order.
    m_preview = new wxTextCtrl(this, wxID_ANY, wxEmptyString, wxPoint(30, 160), wxSize(337, 125),
                               wxTE_MULTILINE | wxTE_PROCESS_ENTER);
    RecordBrowser::Setup browse;
    browse.previousId = ID_PREVIOUS;
    browse.nextId = ID_NEXT;
    browse.what = "items of text";
    browse.count = [this] { return m_texts.size(); };
    // The preview holds its own copy: edits there never reach the record.
    browse.show = [this](size_t index) { m_previewText.Show(m_texts[index]); };
    browse.spoken = [this](size_t) { return SpokenStart(m_preview); };
    m_browser = std::make_unique<RecordBrowser>(this, std::move(browse));
    m_searchLabel = new wxStaticText(this, wxID_ANY, "Search log: ");
    SetLabelFont(m_searchLabel);
    m_searchField = new wxTextCtrl(this, wxID_ANY, wxEmptyString, wxDefaultPosition, wxSize(170, -1));
    m_searchButton = new wxButton(this, ID_SEARCH, "Search");
    m_previewLabel = new wxStaticText(this, wxID_ANY, "Preview:");
    SetLabelFont(m_previewLabel);
    m_copyButton = new wxButton(this, ID_COPY, "Copy to Clipboard");
    m_previewText = TextPreview(m_preview);

    auto* search = new wxBoxSizer(wxHORIZONTAL);
    search->AddSpacer(kPageMargin);
    search->Add(m_searchLabel, 0, wxALIGN_CENTER_VERTICAL);
    search->Add(m_searchField, 1, wxALIGN_CENTER_VERTICAL | wxLEFT | wxRIGHT, kRowGap);
    search->Add(m_searchButton, 0, wxALIGN_CENTER_VERTICAL);
    search->AddSpacer(kPageMargin);

    auto* page = new wxBoxSizer(wxVERTICAL);
    page->AddSpacer(10);
    page->Add(CentredRow(m_browser->CountLabel()), 0, wxEXPAND);
    page->AddSpacer(kRowGap);
    page->Add(BrowseRow(m_browser->PreviousButton(), m_browser->PositionLabel(), m_browser->NextButton()), 0,
              wxEXPAND);
    page->AddSpacer(kRowGap * 2);
    page->Add(search, 0, wxEXPAND);
    page->AddSpacer(kRowGap * 2);
    page->Add(m_previewLabel, 0, wxLEFT, kPageMargin);
    page->AddSpacer(4);
    page->Add(m_preview, 1, wxEXPAND | wxLEFT | wxRIGHT, kPageMargin);
    page->AddSpacer(kRowGap);
    page->Add(CentredRow(m_copyButton), 0, wxEXPAND);
    page->AddSpacer(kRowGap);
    SetSizer(page);

    LinkLabel(m_searchLabel, m_searchField);
    LinkLabel(m_previewLabel, m_preview);
    m_browser->LabelsNameNothing();
}

TextPage::~TextPage() = default;

void TextPage::AddText(TextRecord text)
{
    m_texts.push_back(std::move(text));
    m_browser->RecordsAdded();
}

void TextPage::OnNext(wxCommandEvent&)
{
    m_browser->Next();
}

void TextPage::OnPrevious(wxCommandEvent&)
{
    m_browser->Previous();
}

void TextPage::OnCopy(wxCommandEvent&)
{
    if (m_clipboard)
        SayCopied(this, m_clipboard->PutText(m_previewText.TextToCopy(), m_previewText.FormsToCopy()));
}

void TextPage::OnSearch(wxCommandEvent&)
{
    const wxString pattern = m_searchField->GetValue();
    TextRecords matches = FindMatches(m_texts, pattern.utf8_string());
    // No match is decided before an empty pattern, so an empty search with
    // no records says there are no matches. A message box waits for the
    // user in a loop of its own: it opens once this handler has returned,
    // so that a screen reader that pressed the button through the
    // accessibility bus gets its answer first (asked from inside that
    // loop, the bus dispatch never returns, and the window's thread hangs).
    if (matches.empty())
        CallAfter([] {
            wxMessageBox("No matches could be found. Remember, it's case sensitive!", "No Matches Found~",
                         wxOK | wxCENTRE, nullptr);
        });
    else if (pattern.empty())
        CallAfter([] { wxMessageBox("You didn't enter a search string!", "Error", wxOK | wxCENTRE, nullptr); });
    else
        (new TextSearch(std::move(matches), m_clipboard))->Show(true);
    m_searchField->SetValue(wxEmptyString);
}
