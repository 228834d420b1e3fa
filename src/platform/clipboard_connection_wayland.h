#pragma once

#include "platform/clipboard_connection.h"

#include <memory>

// The clipboard of a Wayland session through the compositor's data-control
// protocol (ext_data_control_manager_v1, or wlroots' zwlr_ one), on a
// Wayland connection and a thread of its own: every copy is heard, whichever
// window has the focus. nullptr when there is no Wayland display or it
// offers neither.
std::unique_ptr<ClipboardConnection> OpenWaylandConnection(ClipboardConnection::Deliver deliver);

// Whether the session's compositor offers data-control, asked on a
// connection opened and closed for it.
bool WaylandOffersDataControl();
