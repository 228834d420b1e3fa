#include "platform/display_backend.h"

#include <cstdlib>

#ifdef __WXGTK__
#include <gdk/gdk.h>
#endif

#ifdef __WXGTK__
namespace {

bool g_setGlVariable = false;

}  // namespace
#endif

void PrepareToolkit()
{
#ifdef __WXGTK__
    gdk_set_allowed_backends("x11");
    // A setting of the user's own wins.
    if (!std::getenv("GDK_GL"))
        g_setGlVariable = setenv("GDK_GL", "disable", 0) == 0;
#endif
}

void ToolkitStarted()
{
#ifdef __WXGTK__
    if (g_setGlVariable)
        unsetenv("GDK_GL");
    g_setGlVariable = false;
#endif
}
