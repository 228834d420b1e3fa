#pragma once

#include "platform/clipboard_connection.h"

#include <memory>

// The clipboard of an X display (an X11 session, or XWayland where the
// compositor bridges it), read and owned on an X connection and a thread of
// its own. nullptr when the display can't be reached or lacks XFixes.
std::unique_ptr<ClipboardConnection> OpenXConnection(ClipboardConnection::Deliver deliver);
