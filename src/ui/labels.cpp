#include "ui/labels.h"

#include "platform/accessible.h"
#include "platform/label_font.h"

#include <wx/dcclient.h>
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
