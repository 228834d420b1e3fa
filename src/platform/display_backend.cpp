#include "platform/display_backend.h"

#ifdef __WXGTK__
#include <gdk/gdk.h>
#endif

void PreferX11Backend()
{
#ifdef __WXGTK__
    gdk_set_allowed_backends("x11");
#endif
}
