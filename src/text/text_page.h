#pragma once

#include "text/text_preview.h"
#include "records/text_records.h"

#include <wx/panel.h>

#include <memory>

class ClipboardConnection;
class RecordBrowser;
class wxButton;
class wxStaticText;
class wxTextCtrl;

// The "Text" tab: every recorded clipboard text, browsed one at a time,
// previewed, copied back and searched.
class TextPage : public wxPanel
{
public:
    enum
    {
        ID_NEXT = 5999,
        ID_PREVIOUS = 6000,
        ID_SEARCH = 6001,
        ID_COPY = 6002
    };

    explicit TextPage(wxWindow* parent);
    ~TextPage() override;

    // Appends one record and updates the count; the view stays where it is.
    void AddText(TextRecord text);

    // Where the copy button puts records back; none until it is set.
    void SetClipboard(ClipboardConnection* clipboard) { m_clipboard = clipboard; }

    const TextRecords& Texts() const { return m_texts; }

private:
    void OnNext(wxCommandEvent& event);
    void OnPrevious(wxCommandEvent& event);
    void OnCopy(wxCommandEvent& event);
    void OnSearch(wxCommandEvent& event);

    TextRecords m_texts;
    ClipboardConnection* m_clipboard = nullptr;
    wxTextCtrl* m_preview;
    wxTextCtrl* m_searchField;
    wxStaticText* m_searchLabel;
    wxStaticText* m_previewLabel;
    wxButton* m_copyButton;
    wxButton* m_searchButton;
    std::unique_ptr<RecordBrowser> m_browser;
    TextPreview m_previewText{nullptr};

    wxDECLARE_EVENT_TABLE();
};
