#include "platform/vanishing_window.h"

#include <wx/toplevel.h>

#include <gtk/gtk.h>
#ifdef GDK_WINDOWING_X11
#include <gdk/gdkx.h>
#endif

namespace {

gboolean OnDestroyEvent(GtkWidget*, GdkEvent*, gpointer data)
{
    auto* window = static_cast<wxTopLevelWindow*>(data);
    // Handled here, so GTK does not destroy the widget behind the
    // toolkit's back; the toolkit closes and destroys it in order.
    window->CallAfter([window] { window->Close(true); });
    return TRUE;
}

// Between the moment another program destroys a window and the moment its
// DestroyNotify is read, whatever the toolkit asks of that window (its
// position, a redraw) fails with BadWindow or BadDrawable, and GDK ends the
// process on any X error nobody trapped. The race is the other program's
// doing and cannot be closed from here, so one trap stays pushed for the
// whole run: errors GDK's own traps expect still reach those traps, and
// the rest no longer end the program with the user's records.
void SurviveErrorsOfVanishedWindows()
{
#ifdef GDK_WINDOWING_X11
    static bool pushed = false;
    GdkDisplay* display = gdk_display_get_default();
    if (!pushed && display && GDK_IS_X11_DISPLAY(display)) {
        gdk_x11_display_error_trap_push(display);
        pushed = true;
    }
#endif
}

}  // namespace

void CloseWhenDestroyedFromOutside(wxTopLevelWindow* window)
{
    SurviveErrorsOfVanishedWindows();
    g_signal_connect(window->GetHandle(), "destroy-event", G_CALLBACK(OnDestroyEvent), window);
}
