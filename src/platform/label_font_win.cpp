#include "platform/label_font.h"

#include <wx/font.h>
#include <wx/window.h>

void ApplyFont(wxWindow* window, const wxFont& font)
{
    window->SetFont(font);
}

// The system's link control underlines its links whatever the font says.
void ApplyLinkFont(wxWindow* link, const wxFont& font)
{
    link->SetFont(font);
}
