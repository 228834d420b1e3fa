#include "platform/clipboard_writer.h"

#include <wx/clipbrd.h>
#include <wx/dataobj.h>

bool PutOnClipboard(wxDataObject* data)
{
    // Opening it twice is an error of the toolkit's; a second click while
    // the first is still writing simply does nothing.
    if (wxTheClipboard->IsOpened() || !wxTheClipboard->Open())
    {
        delete data;
        return false;
    }
    wxTheClipboard->SetData(data);
    wxTheClipboard->Close();
    return true;
}
