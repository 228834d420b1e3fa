#pragma once

#include <wx/panel.h>

// The "Files" tab.
class FilePage : public wxPanel
{
public:
    explicit FilePage(wxWindow* parent);
};
