#include "platform/clipboard_reader.h"

#include "platform/wayland_clipboard_gtk.h"
#include "platform/x_clipboard_gtk.h"

std::unique_ptr<ClipboardReader> ClipboardReader::Create(Deliver deliver)
{
    // A Wayland session whose compositor offers data-control is read
    // through it; elsewhere (X11 sessions, GNOME's Mutter, which bridges
    // every copy to X) through the X clipboard.
    if (std::unique_ptr<ClipboardReader> wayland = CreateWaylandClipboard(deliver))
        return wayland;
    return CreateXClipboard(std::move(deliver));
}
