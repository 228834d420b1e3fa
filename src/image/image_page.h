#pragma once

#include <wx/panel.h>

// The "Images" tab.
class ImagePage : public wxPanel
{
public:
    explicit ImagePage(wxWindow* parent);
};
