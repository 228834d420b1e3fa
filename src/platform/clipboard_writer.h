#pragma once

#include <filesystem>
#include <string>
#include <vector>

class wxDataObject;

// Puts data on the clipboard and lets go of it at once, so that the
// clipboard is never left open. Each returns false, and puts nothing there,
// when the clipboard can't be opened.

// Takes ownership of `data`, and drops it on failure.
bool PutOnClipboard(wxDataObject* data);

// Text as these bytes exactly, in every text form programs ask for:
// nothing converted, line ends and NULs included.
bool PutTextOnClipboard(const std::string& bytes);

// Files as file managers paste them: a text/uri-list and the GNOME form.
bool PutFilesOnClipboard(const std::vector<std::filesystem::path>& files);

// An image as the PNG it is kept as.
bool PutPngOnClipboard(const std::vector<unsigned char>& png);
