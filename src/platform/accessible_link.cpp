#include "platform/accessible_link.h"

#include <wx/window.h>

#ifdef __WXGTK__
#include <gtk/gtk.h>
#endif

void ExposeAsLink(wxWindow* control)
{
#ifdef __WXGTK__
    if (AtkObject* accessible = gtk_widget_get_accessible(control->GetHandle()))
        atk_object_set_role(accessible, ATK_ROLE_LINK);
#else
    (void)control;
#endif
}
