#include "ui/labels.h"

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
