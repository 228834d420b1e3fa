#pragma once

#include "records/preview_part.h"
#include "records/text_records.h"

#include <wx/string.h>

#include <string>

class wxTextCtrl;

// A multi-line box that shows one record. An untouched preview copies the
// record's own bytes, whole, even where the box shows only the start of a
// huge text or shows bytes that are no UTF-8 as replacement characters; an
// edited one copies what it shows. A record shown only in part says so at
// the end of the box, and an edit of it is copied with the part not shown,
// so that nothing the user never saw is lost.
class TextPreview
{
public:
    explicit TextPreview(wxTextCtrl* box) : m_box(box) {}

    void Show(TextRecord record);
    SharedText TextToCopy() const;
    // The record's other forms while the preview is untouched; an edited
    // text no longer says what they say.
    SharedForms FormsToCopy() const;

private:
    wxTextCtrl* m_box;
    SharedText m_shown;
    SharedForms m_shownForms;
    wxString m_shownValue;
    size_t m_shownBytes = 0;  // of the record: all of it unless the preview is cut
};

// The start of what `box` shows, as a screen reader says it after the
// record's position.
wxString SpokenStart(wxTextCtrl* box);
// The same of a record's bytes, as the box would show them.
wxString SpokenStart(const std::string& bytes);
