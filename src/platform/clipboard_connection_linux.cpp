#include "platform/clipboard_connection.h"

#include "platform/clipboard_connection_wayland.h"
#include "platform/clipboard_connection_x11.h"

std::unique_ptr<ClipboardConnection> ClipboardConnection::Open(Deliver deliver)
{
    // A Wayland session whose compositor offers data-control is read
    // through it; elsewhere (X11 sessions, GNOME's Mutter, which bridges
    // every copy to X) through the X clipboard.
    if (std::unique_ptr<ClipboardConnection> wayland = OpenWaylandConnection(deliver))
        return wayland;
    return OpenXConnection(std::move(deliver));
}
