#include "text/text_preview.h"

#include <wx/textctrl.h>

void TextPreview::Show(TextRecord record)
{
    std::string_view part = PreviewPart(*record);
    m_shortened = part.size() < record->size();
    m_box->SetValue(wxString::FromUTF8(part.data(), part.size()));
    m_box->DiscardEdits();
    m_shown = std::move(record);
}

wxString TextPreview::TextToCopy() const
{
    if (m_shortened && m_shown && !m_box->IsModified())
        return wxString::FromUTF8(*m_shown);
    return m_box->GetValue();
}
