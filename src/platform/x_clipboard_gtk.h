#pragma once

#include "platform/clipboard_reader.h"

#include <memory>

// The clipboard of an X display (an X11 session, or XWayland where the
// compositor bridges it), read and owned on a connection and thread of the
// reader's own. nullptr when the display can't be reached or lacks XFixes.
std::unique_ptr<ClipboardReader> CreateXClipboard(ClipboardReader::Deliver deliver);
