#pragma once

class wxDataObject;
class wxString;

// Puts data on the clipboard and lets go of it at once, so that the
// clipboard is never left open. Takes ownership of `data`; returns false,
// and drops it, when the clipboard can't be opened.
bool PutOnClipboard(wxDataObject* data);
bool PutTextOnClipboard(const wxString& text);
