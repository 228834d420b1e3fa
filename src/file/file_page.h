#pragma once

#include "records/file_record.h"

#include <wx/panel.h>

#include <deque>
#include <memory>

class ClipboardConnection;
class RecordBrowser;
class wxButton;
class ReadableLabel;
class wxStaticText;
class wxTextCtrl;

// The "Files" tab: one record per copied file with its details, and a copy
// of the file that can be put back on the clipboard.
class FilePage : public wxPanel
{
public:
    enum
    {
        ID_NEXT = 5999,
        ID_PREVIOUS = 6000,
        ID_COPY = 6001,
        ID_COPY_ORIGINAL_LOCATION = 6002,
        ID_COPY_STORED_LOCATION = 6003
    };

    explicit FilePage(wxWindow* parent);
    ~FilePage() override;

    // Appends the record; the view stays where it is.
    void AddFile(FileRecord file);

    // Where the copy button puts records back; none until it is set.
    void SetClipboard(ClipboardConnection* clipboard) { m_clipboard = clipboard; }

    const std::deque<FileRecord>& Files() const { return m_files; }

private:
    void OnNext(wxCommandEvent& event);
    void OnPrevious(wxCommandEvent& event);
    void OnCopy(wxCommandEvent& event);
    void OnCopyOriginalLocation(wxCommandEvent& event);
    void OnCopyStoredLocation(wxCommandEvent& event);

    void ShowRecord(size_t index);

    // A deque: records are never moved once stored, however many arrive.
    std::deque<FileRecord> m_files;
    ClipboardConnection* m_clipboard = nullptr;
    ReadableLabel* m_nameValue;
    ReadableLabel* m_sizeValue;
    ReadableLabel* m_typeValue;
    ReadableLabel* m_modifiedValue;
    ReadableLabel* m_accessedValue;
    ReadableLabel* m_createdValue;
    wxTextCtrl* m_originalLocationBox;
    wxTextCtrl* m_storedLocationBox;
    wxButton* m_copyButton;
    wxButton* m_originalCopyButton;
    wxButton* m_storedCopyButton;
    std::unique_ptr<RecordBrowser> m_browser;

    wxDECLARE_EVENT_TABLE();
};
