#pragma once

#include "clipboard/clip_offer.h"

#include <filesystem>
#include <vector>

class ClipboardReader;

// Puts data on the clipboard without the window waiting for it. Each
// returns false, and puts nothing there, when the clipboard can't be taken.

// Where the reader owns the clipboard itself (X), what is put there is
// served by `reader`; call with nullptr before it goes.
void CopyBackThrough(ClipboardReader* reader);

// Text as these bytes exactly, in every text form programs ask for:
// nothing converted, line ends and NULs included. The bytes are shared,
// not copied.
bool PutTextOnClipboard(SharedText text);

// Files as file managers paste them.
bool PutFilesOnClipboard(const std::vector<std::filesystem::path>& files);

// An image as the PNG it is kept as.
bool PutPngOnClipboard(SharedBytes png);
