#include "text/text_preview.h"

#include "ui/browse.h"

#include <wx/textctrl.h>

#include <algorithm>

namespace {

const char kCutMark[] = "\n\n[The preview ends here: copying it copies the whole text.]";

}  // namespace

void TextPreview::Show(TextRecord record)
{
    std::string_view part = PreviewPart(*record.text);
    m_shownBytes = part.size();
    std::string shown = ReadableText(part);
    if (m_shownBytes < record.text->size())
        shown += kCutMark;
    m_shownValue = wxString::FromUTF8(shown.data(), shown.size());
    m_box->SetValue(m_shownValue);
    m_box->DiscardEdits();
    m_shown = std::move(record.text);
    m_shownForms = std::move(record.forms);
}

SharedForms TextPreview::FormsToCopy() const
{
    return m_shown && m_box->GetValue() == m_shownValue ? m_shownForms : nullptr;
}

SharedText TextPreview::TextToCopy() const
{
    // Untouched: what the box holds is still what it was given.
    wxString value = m_box->GetValue();
    if (m_shown && value == m_shownValue)
        return m_shown;
    std::string edited = value.utf8_string();
    if (!m_shown || m_shownBytes == m_shown->size())
        return MakeSharedText(std::move(edited));
    const std::string_view mark(kCutMark);
    if (edited.size() >= mark.size() && edited.compare(edited.size() - mark.size(), mark.size(), mark) == 0)
        edited.resize(edited.size() - mark.size());
    edited.append(*m_shown, m_shownBytes, std::string::npos);
    return MakeSharedText(std::move(edited));
}

wxString SpokenStart(wxTextCtrl* box)
{
    // A few characters more than are said, for the blanks that fold away.
    // Within the box's text: the toolkit gives nothing for a range past its end.
    const long end = std::min(static_cast<long>(4 * kSpokenLength), box->GetLastPosition());
    const std::string start = box->GetRange(0, end).utf8_string();
    const std::string spoken = SpokenExcerpt(start);
    return wxString::FromUTF8(spoken.data(), spoken.size());
}

wxString SpokenStart(const std::string& bytes)
{
    // A few bytes more than are said, for the blanks that fold away and the
    // longest UTF-8 sequences.
    const std::string shown = ReadableText(std::string_view(bytes).substr(0, 16 * kSpokenLength));
    const std::string spoken = SpokenExcerpt(shown);
    return wxString::FromUTF8(spoken.data(), spoken.size());
}
