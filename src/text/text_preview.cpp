#include "text/text_preview.h"

#include <wx/textctrl.h>

void TextPreview::Show(SharedText record)
{
    std::string shown = ReadableText(PreviewPart(*record));
    m_shownValue = wxString::FromUTF8(shown.data(), shown.size());
    m_box->SetValue(m_shownValue);
    m_box->DiscardEdits();
    m_shown = std::move(record);
}

SharedText TextPreview::TextToCopy() const
{
    // Untouched: what the box holds is still what it was given.
    wxString value = m_box->GetValue();
    if (m_shown && value == m_shownValue)
        return m_shown;
    return MakeSharedText(value.utf8_string());
}
