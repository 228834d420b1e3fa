#include "ui/labels.h"

#include "platform/accessible.h"
#include "platform/label_font.h"

#include <algorithm>

#include <wx/dcclient.h>
#include <wx/stattext.h>
#include <wx/font.h>
#include <wx/string.h>
#include <wx/window.h>

wxFont LabelFont()
{
    return wxFont(10, wxFONTFAMILY_SWISS, wxFONTSTYLE_NORMAL, wxFONTWEIGHT_LIGHT, false, wxEmptyString,
                  wxFONTENCODING_DEFAULT);
}

void SetLabelFont(wxWindow* label)
{
    ApplyFont(label, LabelFont());
}

void SetLinkFont(wxWindow* link)
{
    ApplyLinkFont(link, LabelFont());
}

wxString AsciiLabel(const std::string& text)
{
    return wxString::FromAscii(text.c_str());
}

namespace {

wxString WithFigures(const wxString& text, wxUniChar figure)
{
    wxString shaped = text;
    for (auto it = shaped.begin(); it != shaped.end(); ++it)
        if (wxIsdigit(*it))
            *it = figure;
    return shaped;
}

}  // namespace

void MakeRoomForFigures(wxStaticText* label)
{
    // Fonts may give figures widths of their own: room for the widest.
    const wxString text = label->GetLabel();
    wxClientDC dc(label);
    dc.SetFont(LabelFont());
    const int now = dc.GetTextExtent(text).x;
    int widest = now;
    for (char figure = '0'; figure <= '9'; ++figure)
        widest = std::max(widest, dc.GetTextExtent(WithFigures(text, figure)).x);
    label->InvalidateBestSize();
    label->SetMinSize(wxSize(label->GetBestSize().x + widest - now, -1));
}

bool RelabelFigures(wxStaticText* label, const wxString& text)
{
    const wxString before = label->GetLabel();
    if (text == before)
        return false;
    label->SetLabel(text);
    if (WithFigures(text, '0') == WithFigures(before, '0'))
        return false;
    MakeRoomForFigures(label);
    return true;
}

wxSize LabelTextSize(wxWindow* label)
{
    wxClientDC dc(label);
    dc.SetFont(label->GetFont());
    wxSize size = dc.GetMultiLineTextExtent(label->GetLabel());
    size.IncTo(label->GetBestSize());
    return size;
}

ReadableLabel::ReadableLabel(wxWindow* parent, const wxString& caption)
    : wxStaticText(parent, wxID_ANY, wxEmptyString), m_caption(caption)
{
    SetLabelFont(this);
    LetLabelTakeFocus(this);
    SetAccessibleName(this, m_caption);
}

void ReadableLabel::SetValue(const wxString& value)
{
    SetLabel(value);
    SetAccessibleName(this, m_caption + " " + value);
}
