#include "platform/clipboard_writer.h"

#include <wx/bitmap.h>
#include <wx/clipbrd.h>
#include <wx/dataobj.h>
#include <wx/image.h>
#include <wx/log.h>
#include <wx/mstream.h>

#include <windows.h>

namespace {

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

wxCustomDataObject* Custom(const wxDataFormat& format, const void* data, size_t size)
{
    auto* object = new wxCustomDataObject(format);
    object->SetData(size, data);
    return object;
}

// Rendered at once and left to the system, so that what was put there
// stays after the program ends (the toolkit would take it away at exit).
bool PutAndKeep(wxDataObject* data)
{
    if (!PutOnClipboard(data))
        return false;
    wxTheClipboard->Flush();
    return true;
}

}  // namespace

// The Win32 clipboard is opened and written from the window's thread, and
// the system keeps what is rendered there.
void CopyBackThrough(ClipboardReader*) {}

bool PutTextOnClipboard(SharedText shared)
{
    if (!shared)
        return false;
    const std::string& bytes = *shared;
    // As UTF-16 made here, so that line ends stay as they were recorded;
    // Windows text ends at its first NUL, so a text holding one is cut
    // there by whoever pastes it.
    std::wstring text;
    if (!bytes.empty())
    {
        int units = ::MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
        if (units <= 0)
            return false;
        text.resize(static_cast<size_t>(units));
        ::MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()), text.data(), units);
    }
    return PutAndKeep(Custom(wxDataFormat(wxDF_UNICODETEXT), text.c_str(), (text.size() + 1) * sizeof(wchar_t)));
}

bool PutFilesOnClipboard(const std::vector<std::filesystem::path>& files)
{
    auto* list = new wxFileDataObject();
    for (const std::filesystem::path& file : files)
        list->AddFile(wxString(file.c_str()));
    // Explorer pastes a copy, never a move, of what is offered so.
    const DWORD copy = DROPEFFECT_COPY;
    auto* data = new wxDataObjectComposite();
    data->Add(list, true);
    data->Add(Custom(wxDataFormat(wxString("Preferred DropEffect")), &copy, sizeof copy));
    return PutAndKeep(data);
}

bool PutPngOnClipboard(SharedBytes shared)
{
    if (!shared)
        return false;
    const Bytes& png = *shared;
    // Programs that take only bitmaps get the pixels, those that take PNG
    // (and keep the transparency) the PNG itself.
    wxImage image;
    {
        wxLogNull quiet;
        wxMemoryInputStream in(png.data(), png.size());
        if (!image.LoadFile(in, wxBITMAP_TYPE_PNG))
            return false;
    }
    // The PNG is the preferred form: the toolkit takes any data object whose
    // preferred form is a bitmap for a bitmap object alone, and a composite
    // so taken crashes it.
    auto* data = new wxDataObjectComposite();
    data->Add(Custom(wxDataFormat(wxString("PNG")), png.data(), png.size()), true);
    data->Add(new wxBitmapDataObject(wxBitmap(image)));
    return PutAndKeep(data);
}
