#include "platform/vanishing_window.h"

#include <wx/toplevel.h>

#ifdef __WXGTK__
#include <gtk/gtk.h>

namespace {

gboolean OnDestroyEvent(GtkWidget*, GdkEvent*, gpointer data)
{
    auto* window = static_cast<wxTopLevelWindow*>(data);
    // Handled here, so GTK does not destroy the widget behind the
    // toolkit's back; the toolkit closes and destroys it in order.
    window->CallAfter([window] { window->Close(true); });
    return TRUE;
}

}  // namespace
#endif

void CloseWhenDestroyedFromOutside(wxTopLevelWindow* window)
{
#ifdef __WXGTK__
    g_signal_connect(window->GetHandle(), "destroy-event", G_CALLBACK(OnDestroyEvent), window);
#else
    (void)window;
#endif
}
