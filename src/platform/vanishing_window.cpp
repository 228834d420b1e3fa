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

// The system window's object is freed by GDK the moment another program
// destroys the window, while GTK still points at it. Holding a reference
// of our own keeps it valid (marked as destroyed) until the widget is gone.
void HoldSystemWindow(GtkWidget* widget)
{
    GdkWindow* system = gtk_widget_get_window(widget);
    if (!system || g_object_get_data(G_OBJECT(widget), "quillory-held"))
        return;
    g_object_ref(system);
    g_object_set_data(G_OBJECT(widget), "quillory-held", system);
    g_object_weak_ref(G_OBJECT(widget), [](gpointer held, GObject*) { g_object_unref(held); }, system);
}

}  // namespace
#endif

void CloseWhenDestroyedFromOutside(wxTopLevelWindow* window)
{
#ifdef __WXGTK__
    GtkWidget* widget = window->GetHandle();
    g_signal_connect(widget, "destroy-event", G_CALLBACK(OnDestroyEvent), window);
    if (gtk_widget_get_realized(widget))
        HoldSystemWindow(widget);
    g_signal_connect(widget, "realize", G_CALLBACK(+[](GtkWidget* w, gpointer) { HoldSystemWindow(w); }), nullptr);
#else
    (void)window;
#endif
}
