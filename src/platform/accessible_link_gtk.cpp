#include "platform/accessible_link.h"

#include <wx/window.h>

#include <gtk/gtk.h>

void ExposeAsLink(wxWindow* control)
{
    if (AtkObject* accessible = gtk_widget_get_accessible(control->GetHandle()))
        atk_object_set_role(accessible, ATK_ROLE_LINK);
}
