#pragma once

#include "text/text_preview.h"
#include "records/text_records.h"

#include <wx/frame.h>

#include <memory>

class ClipboardConnection;
class RecordBrowser;
class wxButton;
class wxPanel;
class wxStaticText;
class wxTextCtrl;

// The "Search Results" window: the matches of one search, browsed one at a
// time. A snapshot: records captured later never appear in it.
class TextSearch : public wxFrame
{
public:
    enum
    {
        ID_NEXT = 5999,
        ID_PREVIOUS = 6000,
        ID_COPY = 6001
    };

    // `results` holds at least one match; the copy button puts them back
    // through `clipboard`, which outlives the window.
    TextSearch(TextRecords results, ClipboardConnection* clipboard);
    ~TextSearch() override;

private:
    void OnNext(wxCommandEvent& event);
    void OnPrevious(wxCommandEvent& event);
    void OnCopy(wxCommandEvent& event);

    TextRecords m_results;
    ClipboardConnection* m_clipboard;
    wxPanel* m_panel;
    std::unique_ptr<RecordBrowser> m_browser;
    wxButton* m_copyButton;
    wxTextCtrl* m_resultView;
    TextPreview m_resultText{nullptr};

    wxDECLARE_EVENT_TABLE();
};
