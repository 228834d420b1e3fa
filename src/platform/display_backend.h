#pragma once

// Has the toolkit use the X11 backend, through XWayland on a Wayland
// session: there the clipboard's change notification reaches only the
// focused window, and a recorder must hear every change. Call before the
// toolkit starts.
void PreferX11Backend();
