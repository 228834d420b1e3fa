#pragma once

#include "text/preview_part.h"
#include "text/text_records.h"

class wxString;
class wxTextCtrl;

// A multi-line box that shows one record. What it copies is what it shows,
// edits included, except that an untouched preview of a shortened record
// copies the whole record.
class TextPreview
{
public:
    explicit TextPreview(wxTextCtrl* box) : m_box(box) {}

    void Show(TextRecord record);
    wxString TextToCopy() const;

private:
    wxTextCtrl* m_box;
    TextRecord m_shown;
    bool m_shortened = false;
};
