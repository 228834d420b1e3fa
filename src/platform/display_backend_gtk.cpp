#include "platform/display_backend.h"

#include "platform/clipboard_connection_wayland.h"

#include <gdk/gdk.h>

#include <cstdlib>

namespace {

bool g_setGlVariable = false;

}  // namespace

void PrepareToolkit()
{
    // Where the compositor offers data-control the clipboard is read
    // through it, and the window needs no XWayland: GTK's own backend then.
    gdk_set_allowed_backends(WaylandOffersDataControl() ? "wayland,x11" : "x11");
    // A setting of the user's own wins.
    if (!std::getenv("GDK_GL"))
        g_setGlVariable = setenv("GDK_GL", "disable", 0) == 0;
}

const char* ToolkitPort()
{
    return "GTK 3";
}

void ToolkitStarted()
{
    if (g_setGlVariable)
        unsetenv("GDK_GL");
    g_setGlVariable = false;
}
