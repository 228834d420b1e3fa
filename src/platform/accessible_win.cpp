#include "platform/accessible.h"

#include <wx/access.h>
#include <wx/string.h>
#include <wx/toplevel.h>
#include <wx/window.h>

// Windows' own accessibility reads most controls well by itself: a button
// as its text, an edit box by the static text just before it, the link
// control (the system's SysLink) as a link, the system's message boxes
// with their captions. Where the program says more, it answers for the
// control through the toolkit's accessible object, and leaves every other
// question to the system.
namespace {

class Said : public wxAccessible
{
public:
    explicit Said(wxWindow* window) : wxAccessible(window) {}

    wxAccStatus GetName(int childId, wxString* name) override
    {
        if (childId != wxACC_SELF)
            return wxACC_NOT_IMPLEMENTED;
        if (m_label)
        {
            *name = m_label->GetLabel();
            return wxACC_OK;
        }
        if (m_name.empty())
            return wxACC_NOT_IMPLEMENTED;
        *name = m_name;
        return wxACC_OK;
    }

    wxAccStatus GetDescription(int childId, wxString* description) override
    {
        if (childId != wxACC_SELF || m_description.empty())
            return wxACC_NOT_IMPLEMENTED;
        *description = m_description;
        return wxACC_OK;
    }

    wxAccStatus GetRole(int childId, wxAccRole* role) override
    {
        if (childId != wxACC_SELF || m_role == wxROLE_NONE)
            return wxACC_NOT_IMPLEMENTED;
        *role = m_role;
        return wxACC_OK;
    }

    wxString m_name;
    wxString m_description;
    wxWindow* m_label = nullptr;
    wxAccRole m_role = wxROLE_NONE;
};

Said& SaidOf(wxWindow* window)
{
    if (auto* said = dynamic_cast<Said*>(window->GetAccessible()))
        return *said;
    auto* said = new Said(window);
    window->SetAccessible(said);  // the window owns it
    return *said;
}

}  // namespace

void ExposeAsLink(wxWindow*) {}

void ExposeAsDialog(wxWindow* window)
{
    SaidOf(window).m_role = wxROLE_SYSTEM_DIALOG;
}

void ExposeAsImage(wxWindow* control, const wxString& description)
{
    Said& said = SaidOf(control);
    said.m_role = wxROLE_SYSTEM_GRAPHIC;
    said.m_name = description;
    wxAccessible::NotifyEvent(wxACC_EVENT_OBJECT_NAMECHANGE, control, wxOBJID_CLIENT, wxACC_SELF);
}

void SetAccessibleName(wxWindow* control, const wxString& name)
{
    SaidOf(control).m_name = name;
    wxAccessible::NotifyEvent(wxACC_EVENT_OBJECT_NAMECHANGE, control, wxOBJID_CLIENT, wxACC_SELF);
}

void LinkLabel(wxWindow* label, wxWindow* control)
{
    if (control)
        SaidOf(control).m_label = label;
}

// Tab reaches only what takes the focus on Windows, and a static text
// there never does; a screen reader reads the labels by its review keys.
void LetLabelTakeFocus(wxWindow*) {}

void Announce(wxWindow* window, const wxString& message)
{
    wxWindow* focus = wxWindow::FindFocus();
    if (!focus || wxGetTopLevelParent(focus) != wxGetTopLevelParent(window))
        return;
    Said& said = SaidOf(focus);
    said.m_description = message;
    // Kept until the next: a screen reader here asks for the description
    // after the event, not with it.
    wxAccessible::NotifyEvent(wxACC_EVENT_OBJECT_DESCRIPTIONCHANGE, focus, wxOBJID_CLIENT, wxACC_SELF);
}

void DescribeUntilLeft(wxWindow* control, const wxString& message)
{
    SaidOf(control).m_description = message;
}

void NameMessageBoxesByCaption() {}
