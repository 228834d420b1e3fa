#pragma once

#include <wx/dialog.h>

class wxButton;
class wxTextCtrl;

// Shows the license, read from info/license.txt below the folder the
// program runs in, afresh every time the dialog is made.
class LicenseDialog : public wxDialog
{
public:
    enum
    {
        ID_CLOSE = 5999
    };

    explicit LicenseDialog(wxWindow* parent);

    void OnClose(wxCommandEvent& event);

private:
    wxTextCtrl* m_text;
    wxButton* m_closeButton;

    wxDECLARE_EVENT_TABLE();
};
