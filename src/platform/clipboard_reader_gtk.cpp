#include "platform/clipboard_reader.h"

#include "platform/x_clipboard_gtk.h"

std::unique_ptr<ClipboardReader> ClipboardReader::Create(Deliver deliver)
{
    return CreateXClipboard(std::move(deliver));
}
