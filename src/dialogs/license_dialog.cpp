#include "dialogs/license_dialog.h"

#include "ui/labels.h"
#include "ui/page_layout.h"
#include "platform/accessible.h"
#include "platform/program_paths.h"

#include <wx/button.h>
#include <wx/sizer.h>
#include <wx/textctrl.h>

wxBEGIN_EVENT_TABLE(LicenseDialog, wxDialog)
    EVT_BUTTON(LicenseDialog::ID_CLOSE, LicenseDialog::OnClose)
wxEND_EVENT_TABLE()

LicenseDialog::LicenseDialog(wxWindow* parent)
    : wxDialog(parent, wxID_ANY, "Quillory :: License", wxDefaultPosition, wxSize(455, 300),
               wxCAPTION | wxSYSTEM_MENU | wxCLOSE_BOX | wxMINIMIZE_BOX | wxCLIP_CHILDREN)
{
    m_text = new wxTextCtrl(this, wxID_ANY, wxEmptyString, wxDefaultPosition, wxSize(450, 230),
                            wxTE_MULTILINE | wxTE_READONLY);
    SetLabelFont(m_text);
    // A missing file leaves the area empty; the toolkit reports the failure.
    m_text->LoadFile(wxString(FindProgramFile("./info/license.txt", "license.txt").c_str(), *wxConvFileName),
                     wxTEXT_TYPE_ANY);
    m_closeButton = new wxButton(this, ID_CLOSE, "Close", wxDefaultPosition, wxSize(125, -1));

    auto* sizer = new wxBoxSizer(wxVERTICAL);
    sizer->Add(m_text, 1, wxEXPAND);
    sizer->AddSpacer(5);
    sizer->Add(m_closeButton, 0, wxALIGN_CENTER_HORIZONTAL);
    sizer->AddSpacer(5);
    SetSizer(sizer);

    FixSizeToFit(this, sizer->GetMinSize());
    Layout();
    ExposeAsDialog(this);
    CloseOnEscape(this, ID_CLOSE);
}

void LicenseDialog::OnClose(wxCommandEvent&)
{
    // A modal dialog destroyed from inside its own modal run can be deleted
    // before that run has unwound; ending the run leaves the destruction to
    // whoever showed it.
    if (IsModal())
        EndModal(wxID_CLOSE);
    else
        Destroy();
}
